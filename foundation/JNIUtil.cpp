#include "foundation/JNIUtil.h"

#include "platform/system/Connection.h"

namespace foundation {

std::atomic<bool> JNIUtil::m_overrideAlwaysConnected{false};

void JNIUtil::initConnectionCheck() { sys::initConnectionCheck(); }

void JNIUtil::refreshConnectionInfo() { sys::initConnectionCheck(); }

bool JNIUtil::isConnectedInternal() { return sys::isConnectedInternal(); }

bool JNIUtil::isConnected() { return m_overrideAlwaysConnected.load() || isConnectedInternal(); }

bool JNIUtil::isConnectedAfterRefresh(bool onlyIfDisconnected) {
    if (!onlyIfDisconnected || !isConnected()) refreshConnectionInfo();
    return isConnected();
}

std::string JNIUtil::getConnectionName() { return sys::getConnectionName(); }

bool JNIUtil::isLAN() { return sys::isLAN(); }

bool JNIUtil::isModem() { return sys::isModem(); }

bool JNIUtil::isViaProxy() { return sys::isViaProxy(); }

}  // namespace foundation
