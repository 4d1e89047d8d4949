#include "platform/toolkit/DialogScript.h"

#include "platform/toolkit/MessageBox.h"
#include "platform/toolkit/Style.h"

#include <bit>

namespace tk {

std::string toString(DialogKind kind) {
    switch (kind) {
        case DialogKind::MessageBox: return "message box";
        case DialogKind::FileDialog: return "file dialog";
        case DialogKind::DirectoryDialog: return "directory dialog";
        case DialogKind::ColorDialog: return "color dialog";
    }
    return "dialog";
}

std::string buttonName(int button) {
    switch (button) {
        case OK: return "OK";
        case YES: return "YES";
        case NO: return "NO";
        case CANCEL: return "CANCEL";
        case ABORT: return "ABORT";
        case RETRY: return "RETRY";
        case IGNORE: return "IGNORE";
        default: return std::to_string(button);
    }
}

DialogAnswer DialogAnswer::press(int button, std::function<void()> during) {
    DialogAnswer answer;
    answer.kind = DialogKind::MessageBox;
    answer.button = button;
    answer.during = std::move(during);
    return answer;
}

DialogAnswer DialogAnswer::file(std::optional<std::string> path) {
    DialogAnswer answer;
    answer.kind = DialogKind::FileDialog;
    answer.path = std::move(path);
    return answer;
}

DialogAnswer DialogAnswer::folder(std::optional<std::string> path) {
    DialogAnswer answer;
    answer.kind = DialogKind::DirectoryDialog;
    answer.path = std::move(path);
    return answer;
}

DialogAnswer DialogAnswer::color(std::optional<RGB> rgb) {
    DialogAnswer answer;
    answer.kind = DialogKind::ColorDialog;
    answer.rgb = rgb;
    return answer;
}

std::optional<DialogAnswer> DialogScript::take(DialogKind kind) {
    if (m_answers.empty()) return std::nullopt;
    DialogAnswer answer = std::move(m_answers.front());
    m_answers.pop_front();
    if (answer.kind != kind) {
        m_errors.push_back("a " + toString(answer.kind) + " answer met a " + toString(kind));
        return std::nullopt;
    }
    return answer;
}

int DialogScript::answerMessageBox(ShownDialog shown) {
    int buttons = MessageBox::buttonsOf(shown.style);
    int result = MessageBox::closeAnswer(shown.style);
    size_t index = m_shown.size();
    m_shown.push_back(shown);
    if (auto answer = take(DialogKind::MessageBox)) {
        if (answer->during) answer->during();
        if (std::popcount(static_cast<unsigned>(answer->button)) == 1 && (answer->button & buttons) != 0) {
            result = answer->button;
        } else {
            m_errors.push_back("button " + buttonName(answer->button) + " is not on the box \"" + shown.title + "\"");
        }
    }
    m_shown[index].answer = buttonName(result);
    return result;
}

std::optional<std::string> DialogScript::answerPath(ShownDialog shown) {
    size_t index = m_shown.size();
    m_shown.push_back(shown);
    std::optional<std::string> result;
    if (auto answer = take(shown.kind)) {
        if (answer->during) answer->during();
        result = answer->path;
    }
    m_shown[index].answer = result ? *result : "CANCEL";
    return result;
}

std::optional<RGB> DialogScript::answerColor(ShownDialog shown) {
    size_t index = m_shown.size();
    m_shown.push_back(shown);
    std::optional<RGB> result;
    if (auto answer = take(DialogKind::ColorDialog)) {
        if (answer->during) answer->during();
        result = answer->rgb;
    }
    m_shown[index].answer = result ? std::to_string(result->red) + "," + std::to_string(result->green) + "," +
                                         std::to_string(result->blue)
                                   : "CANCEL";
    return result;
}

}  // namespace tk
