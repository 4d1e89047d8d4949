#include "platform/toolkit/Types.h"

#include "platform/system/Ascii.h"
#include "platform/toolkit/Event.h"


namespace tk {

std::string stripMnemonic(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&') {
            if (i + 1 < text.size() && text[i + 1] == '&') {
                out += '&';
                ++i;
            }
            continue;
        }
        out += text[i];
    }
    return out;
}

char mnemonicOf(const std::string& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        return sys::toAsciiLower(text[i + 1]);
    }
    return 0;
}

namespace {
class FunctionRunnable : public Runnable {
public:
    explicit FunctionRunnable(std::function<void()> body) : m_body(std::move(body)) {}
    void run() override {
        if (m_body) m_body();
    }

private:
    std::function<void()> m_body;
};
}  // namespace

std::shared_ptr<Runnable> runnable(std::function<void()> body) {
    return std::make_shared<FunctionRunnable>(std::move(body));
}

}  // namespace tk
