#include "navigator/impl/Lufthansa.h"

#include "foundation/StrUtil.h"
#include "platform/automation/AutomationException.h"

namespace navigator::impl {

void Lufthansa::onDocumentCompleteImpl(const std::string&) {
    const std::string body = document().getBodyInnerHTML();
    const size_t app = body.find("<DIV id=app>");
    if (app == std::string::npos) throw automation::AutomationException("No application area on the page");
    const std::string id =
        foundation::StrUtil::extract(body, std::string_view("<FORM id="), "_form", static_cast<int>(app));
    std::shared_ptr<HTMLForm> form = document().getForm(id + "_form");
    form->setInputTextElementValue(id + "_userId", username());
    form->setInputTextElementValue(id + "_password", password());
    form->submit();
    finishAndNotify();
}

}  // namespace navigator::impl
