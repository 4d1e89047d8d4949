#pragma once
// What a program or a test can reach of the Qt backend beyond the toolkit:
// the native widgets, the page inside a browser, screenshots. Each function
// answers nullptr / nothing / false for a widget of another backend.

#include <functional>
#include <optional>
#include <string>

class QWidget;
class QWebEngineView;

namespace tk {
class Browser;
class Control;
class Display;
}  // namespace tk

namespace tk::qt {

bool isQt(const Display& display);
QWidget* nativeWidget(const Control& control);
QWebEngineView* webView(const Browser& browser);

// Runs the display's event loop until done() is true or the time is up;
// answers done().
bool runUntil(Display& display, const std::function<bool()>& done, int timeoutMillis);

// Runs JavaScript in the browser's top document and waits for its result
// as text; nothing when the page gave none in time.
std::optional<std::string> runScript(Browser& browser, const std::string& script, int timeoutMillis = 10000);
// The text of the page shown, as the page renders it.
std::optional<std::string> pageText(Browser& browser, int timeoutMillis = 10000);
// Draws the control (a shell: its whole client area) into a PNG file.
bool saveScreenshot(const Control& control, const std::string& path);
// Waits until the browser's area shows more than one colour: the engine
// draws a page some time after it reports the page loaded. False when the
// time is up first (or for a page of one colour).
bool waitUntilDrawn(Browser& browser, int timeoutMillis = 10000);

}  // namespace tk::qt
