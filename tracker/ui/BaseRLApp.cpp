#include "tracker/ui/BaseRLApp.h"

namespace tracker::ui {

std::atomic<int> BaseRLApp::m_appType{APP_TYPE_LANTERNBAY};
std::atomic<tk::Display*> BaseRLApp::m_display{nullptr};
std::atomic<tk::Shell*> BaseRLApp::m_parentShell{nullptr};
std::mutex BaseRLApp::m_parentUUIDLock;
std::string BaseRLApp::m_parentUUID;
std::atomic<bool> BaseRLApp::m_isCheckInProgress{false};

std::string BaseRLApp::getParentUUID() {
    std::lock_guard<std::mutex> guard(m_parentUUIDLock);
    return m_parentUUID;
}

void BaseRLApp::setParentUUID(const std::string& uuid) {
    std::lock_guard<std::mutex> guard(m_parentUUIDLock);
    m_parentUUID = uuid;
}

}  // namespace tracker::ui
