#include "navigator/impl/SiteKit.h"

#include "foundation/StrUtil.h"
#include "navigator/impl/SiteNavigator.h"
#include "platform/automation/Names.h"

namespace navigator::impl {

namespace {

// Thrown by a length test that fails: the rule stops and the navigator
// finishes.
struct StopSteps {};

std::shared_ptr<HTMLForm> formOf(SiteNavigator& nav, const FormRef& ref) {
    return ref.index >= 0 ? nav.document().getForm(ref.index) : nav.document().getForm(ref.name);
}

// The user name's characters (UTF-8 sequences count as one).
std::vector<std::string> characters(const std::string& text) {
    std::vector<std::string> out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t length = 0;
        foundation::StrUtil::charAt(text, pos, length);
        if (length == 0) break;
        out.push_back(text.substr(pos, length));
        pos += length;
    }
    return out;
}

void run(const Steps& steps, SiteNavigator& nav) {
    for (const Step& step : steps) step(nav);
}

}  // namespace

SiteRow site(std::string key, std::string first, std::vector<Rule> rules) {
    return SiteRow{std::move(key), std::move(first), std::move(rules), false};
}

SiteRow quietOff(SiteRow row) {
    row.quietOff = true;
    return row;
}

UrlTest firstAddress() { return {UrlTest::Kind::First, ""}; }
UrlTest page(std::string pattern) { return {UrlTest::Kind::Equals, std::move(pattern)}; }
UrlTest under(std::string pattern) { return {UrlTest::Kind::StartsWith, std::move(pattern)}; }
UrlTest urlContains(std::string text) { return {UrlTest::Kind::Contains, std::move(text)}; }

Rule everyPage(Steps steps, End end) { return Rule{UrlTest{}, std::move(steps), end}; }

Rule onlyOn(std::string pattern, Steps steps) {
    const bool hasQuery = pattern.find('?') != std::string::npos;
    return Rule{hasQuery ? page(std::move(pattern)) : under(std::move(pattern)), std::move(steps), End::Finish};
}

Rule onlyOnFirst(Steps steps) { return Rule{{UrlTest::Kind::FirstOrUnder, ""}, std::move(steps), End::Finish}; }

Rule when(UrlTest test, End end, Steps steps) { return Rule{std::move(test), std::move(steps), end}; }

Rule ignore(UrlTest test) { return Rule{std::move(test), {}, End::Ignore}; }

Value user() {
    return [](const SiteNavigator& nav) { return nav.username(); };
}
Value password() {
    return [](const SiteNavigator& nav) { return nav.password(); };
}
Value secondCredential() {
    return [](const SiteNavigator& nav) { return nav.secondCredential(); };
}
Value userChars(size_t from, size_t count) {
    return [from, count](const SiteNavigator& nav) {
        std::vector<std::string> chars = characters(nav.username());
        std::string out;
        for (size_t i = from; i < from + count && i < chars.size(); ++i) out += chars[i];
        return out;
    };
}
Value lowerCase(Value value) {
    return [value](const SiteNavigator& nav) { return automation::lowerCase(value(nav)); };
}

FormRef form(std::string name) { return FormRef{std::move(name), -1}; }
FormRef firstForm() { return FormRef{"", 0}; }

Step fields(std::string userField, std::string passwordField) {
    return [=](SiteNavigator& nav) {
        nav.all().setInputTextElementValue(userField, nav.username());
        nav.all().setInputTextElementValue(passwordField, nav.password());
    };
}

Step simpleFields(std::string userField, std::string passwordField) {
    return [=](SiteNavigator& nav) { nav.setSimpleUsernameAndPassword(userField, passwordField); };
}

Step field(std::string name, Value value) {
    return [=](SiteNavigator& nav) { nav.all().setInputTextElementValue(name, value(nav)); };
}

Step formFields(FormRef ref, std::string userItem, std::string passwordItem) {
    return [=](SiteNavigator& nav) {
        std::shared_ptr<HTMLForm> f = formOf(nav, ref);
        f->setInputTextElementValue(userItem, nav.username());
        f->setInputTextElementValue(passwordItem, nav.password());
    };
}

Step formField(FormRef ref, std::string item, Value value) {
    return [=](SiteNavigator& nav) { formOf(nav, ref)->setInputTextElementValue(item, value(nav)); };
}

Step formAttribute(FormRef ref, std::string item, std::string attribute, std::string value) {
    return [=](SiteNavigator& nav) { formOf(nav, ref)->setElementAttributeValue(item, attribute, value); };
}

Step submit(FormRef ref) {
    return [=](SiteNavigator& nav) { formOf(nav, ref)->submit(); };
}

Step setAction(FormRef ref, std::string pattern) {
    return [=](SiteNavigator& nav) { formOf(nav, ref)->setAction(nav.address(pattern)); };
}

Step pressSrc(std::string src) {
    return [=](SiteNavigator& nav) { nav.all().clickInputElementBasedOnSrc(src); };
}

Step pressImage(std::string src) {
    return [=](SiteNavigator& nav) { nav.document().clickImageBasedOnSrc(src); };
}

Step pressName(std::string name) {
    return [=](SiteNavigator& nav) { nav.all().clickElement(name); };
}

Step pressInputName(std::string name) {
    return [=](SiteNavigator& nav) { nav.all().clickInputElementBasedOnName(name); };
}

Step pressValue(std::string value) {
    return [=](SiteNavigator& nav) { nav.all().clickInputElementBasedOnValue(value); };
}

Step pressSubmitInput() {
    return [](SiteNavigator& nav) { nav.all().clickInputSubmitElement(); };
}

Step clickItem(FormRef ref, std::string item) {
    return [=](SiteNavigator& nav) { formOf(nav, ref)->clickElement(item); };
}

Step pressValueIn(FormRef ref, std::string value) {
    return [=](SiteNavigator& nav) { formOf(nav, ref)->clickInputElementBasedOnValue(value); };
}

Step navigateTo(std::string pattern) {
    return [=](SiteNavigator& nav) { nav.navigate(nav.address(pattern)); };
}

Step userLength(size_t n) {
    return [n](SiteNavigator& nav) {
        if (characters(nav.username()).size() != n) throw StopSteps{};
    };
}

Step ignoringFailure(Steps steps) {
    return [steps](SiteNavigator& nav) {
        try {
            run(steps, nav);
        } catch (const std::exception&) {
            // The site's step is optional: the navigator goes on.
        }
    };
}

Step otherwiseOnFailure(Steps steps, Steps fallback) {
    return [steps, fallback](SiteNavigator& nav) {
        try {
            run(steps, nav);
        } catch (const std::exception&) {
            run(fallback, nav);
        }
    };
}

bool matches(const UrlTest& test, const SiteRow& row, const SiteNavigator& nav, const std::string& url) {
    switch (test.kind) {
        case UrlTest::Kind::Any:
            return true;
        case UrlTest::Kind::First:
            return url == nav.address(row.first);
        case UrlTest::Kind::FirstOrUnder: {
            const std::string first = nav.address(row.first);
            return first.find('?') != std::string::npos ? url == first : url.rfind(first, 0) == 0;
        }
        case UrlTest::Kind::Equals:
            return url == nav.address(test.pattern);
        case UrlTest::Kind::StartsWith:
            return url.rfind(nav.address(test.pattern), 0) == 0;
        case UrlTest::Kind::Contains:
            return url.find(test.pattern) != std::string::npos;
    }
    return false;
}

void runRow(const SiteRow& row, SiteNavigator& nav, const std::string& url) {
    End end = End::Finish;
    for (const Rule& rule : row.rules) {
        if (!matches(rule.test, row, nav, url)) continue;
        end = rule.end;
        try {
            run(rule.steps, nav);
        } catch (const StopSteps&) {
            end = End::Finish;
        }
        break;
    }
    switch (end) {
        case End::Finish:
            nav.finish();
            break;
        case End::Notify:
            nav.finishAndNotify();
            break;
        case End::Stay:
        case End::Ignore:
            break;
    }
}

}  // namespace navigator::impl
