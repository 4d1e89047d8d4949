#pragma once
// The vocabulary of the site table: a site is its program key, its first
// address and a list of rules. Each completed page goes to the first rule
// whose address test it passes; the rule's steps run in order and its end
// says what happens next. A page no rule takes finishes the navigator.
//
//   site("Delta", "/skymiles/estmt_login/index.jsp",
//        {everyPage({fields("acct", "pin"), pressSrc("/delta/buttons/go.gif")})})
//
// Ends: Finish (done, the browser handed to the user), Notify (done and
// the browser shown and talkative, not released), Stay (wait for the next
// page), Ignore (the page is passed over: nothing runs, nothing changes).
// A step that fails (a field, form or button the page lacks) ends the
// navigation there; the page handler logs it.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace navigator::impl {

class SiteNavigator;

enum class End { Finish, Notify, Stay, Ignore };

using Step = std::function<void(SiteNavigator&)>;
using Steps = std::vector<Step>;
using Value = std::function<std::string(const SiteNavigator&)>;

struct FormRef {
    std::string name;  // by name, or
    int index = -1;    // by position when not negative
};

struct UrlTest {
    enum class Kind { Any, First, FirstOrUnder, Equals, StartsWith, Contains };
    Kind kind = Kind::Any;
    std::string pattern;  // an address template (Equals, StartsWith) or plain text (Contains)
};

struct Rule {
    UrlTest test;
    Steps steps;
    End end = End::Finish;
};

struct SiteRow {
    std::string key;
    std::string first;      // address template of the first address
    std::vector<Rule> rules;
    bool quietOff = false;  // the site's own dialogs show from the start
};

SiteRow site(std::string key, std::string first, std::vector<Rule> rules);
// The same with the browser's quiet mode turned off before the first page.
SiteRow quietOff(SiteRow row);

// Address tests on the completed page's address.
UrlTest firstAddress();                  // equals the first address
UrlTest page(std::string pattern);       // equals the address
UrlTest under(std::string pattern);      // starts with the address
UrlTest urlContains(std::string text);

// Rules.
Rule everyPage(Steps steps, End end = End::Finish);
// The steps only on that page (compared exactly when it has a query, as a
// prefix when it has none); the navigator finishes on any page.
Rule onlyOn(std::string pattern, Steps steps);
Rule onlyOnFirst(Steps steps);
Rule when(UrlTest test, End end, Steps steps = {});
Rule ignore(UrlTest test);

// Values.
Value user();
Value password();
Value secondCredential();
// Characters from..from+count-1 of the user name (counted from 0).
Value userChars(size_t from, size_t count);
Value lowerCase(Value value);

FormRef form(std::string name);
FormRef firstForm();

// Steps. Field names are looked up in the page's "All" unless a form is
// given; a form's fields are its items.
Step fields(std::string userField, std::string passwordField);
Step simpleFields(std::string userField, std::string passwordField);
Step field(std::string name, Value value);
Step formFields(FormRef form, std::string userItem, std::string passwordItem);
Step formField(FormRef form, std::string item, Value value);
Step formAttribute(FormRef form, std::string item, std::string attribute, std::string value);
Step submit(FormRef form);
Step setAction(FormRef form, std::string pattern);
Step pressSrc(std::string src);         // an input whose SRC contains src (any case)
Step pressImage(std::string src);       // an image whose SRC contains src (any case)
Step pressName(std::string name);       // the element of that name, any tag
Step pressInputName(std::string name);  // an input of that NAME
Step pressValue(std::string value);     // an input of that VALUE
Step pressSubmitInput();                // the first submit input
Step clickItem(FormRef form, std::string item);
Step pressValueIn(FormRef form, std::string value);
Step navigateTo(std::string pattern);
// The rest of the rule runs only for a user name of exactly n characters;
// with any other the navigator finishes.
Step userLength(size_t n);
Step ignoringFailure(Steps steps);
Step otherwiseOnFailure(Steps steps, Steps fallback);

// Runs a row's page logic for one completed page.
void runRow(const SiteRow& row, SiteNavigator& navigator, const std::string& url);
bool matches(const UrlTest& test, const SiteRow& row, const SiteNavigator& navigator, const std::string& url);

}  // namespace navigator::impl
