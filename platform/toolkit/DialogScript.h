#pragma once
// Answers for modal dialogs set by a test, and the record of what was shown.
// The headless backend always answers from here; another backend only while
// a test has switched scripting on (TestDriver::scriptDialogs).

#include "platform/toolkit/Types.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tk {

enum class DialogKind { MessageBox, FileDialog, DirectoryDialog, ColorDialog };

std::string toString(DialogKind kind);

struct DialogAnswer {
    DialogKind kind = DialogKind::MessageBox;
    int button = 0;                   // message boxes
    std::optional<std::string> path;  // file and folder choosers; nothing = cancel
    std::optional<RGB> rgb;           // colour chooser; nothing = cancel
    // Runs while the dialog is open (inside its modal loop), before it answers.
    std::function<void()> during;

    static DialogAnswer press(int button, std::function<void()> during = {});
    static DialogAnswer file(std::optional<std::string> path);
    static DialogAnswer folder(std::optional<std::string> path);
    static DialogAnswer color(std::optional<RGB> rgb);
};

struct ShownDialog {
    DialogKind kind = DialogKind::MessageBox;
    std::string parentTitle;  // text of the parent shell
    int style = 0;
    std::string title;
    std::string message;
    std::string filterPath;
    std::string fileName;
    std::vector<std::string> filterExtensions;
    RGB rgb;
    std::string answer;  // "YES", "OK", a path, "CANCEL", ...
};

class DialogScript {
public:
    bool active() const { return m_active; }
    void setActive(bool active) { m_active = active; }
    void push(DialogAnswer answer) { m_answers.push_back(std::move(answer)); }
    size_t pending() const { return m_answers.size(); }
    const std::vector<ShownDialog>& shown() const { return m_shown; }
    void clearShown() { m_shown.clear(); }
    // Answers that did not fit the dialog they met (wrong kind, a button the
    // box does not have); the dialog then took its cancel answer.
    const std::vector<std::string>& errors() const { return m_errors; }

    // ---- for the dialog classes ----
    int answerMessageBox(ShownDialog shown);
    std::optional<std::string> answerPath(ShownDialog shown);
    std::optional<RGB> answerColor(ShownDialog shown);

private:
    std::optional<DialogAnswer> take(DialogKind kind);

    bool m_active = false;
    std::deque<DialogAnswer> m_answers;
    std::vector<ShownDialog> m_shown;
    std::vector<std::string> m_errors;
};

std::string buttonName(int button);

}  // namespace tk
