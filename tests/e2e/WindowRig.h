#pragma once
// A window scenario: the real main window (its timers, event loop and
// message boxes) started in a station directory of its own, against a
// virtual Reader reached through the link "reader" in that directory. The
// scenario writes the files, acts as the operator (buttons by label, typing,
// keys, menu commands, answers to message boxes) and then looks at what the
// Reader received, the files and what the window shows.

#include <deque>
#include <memory>
#include <string>

#include <QColor>
#include <QString>

#include "../support/StationFiles.h"
#include "core/app/MainControls.h"
#include "core/base/Clock.h"
#include "core/base/Presentation.h"
#include "e2e/ScenarioFiles.h"
#include "gui/controls/MessageBoxes.h"
#include "reader-sim/VirtualReader.h"

namespace tagwright::gui {
class MainWindow;
}

namespace tagwright::test {

// An edit's colours: good, bad, and the grey of one that cannot be edited.
inline const QColor kGreen(0, 255, 0), kRed(255, 0, 0), kGrey(240, 240, 240);
// A character no byte stands for, and what the window says of a field or a
// page that holds it.
inline const std::string kEuro = "\xE2\x82\xAC";  // U+20AC in UTF-8
inline const std::string kRefusedEuro =
    " holds the character U+20AC, which no byte stands for (only U+0000 to U+00FF do).";
inline const std::string kPageNotSent =
    "\r\nThe page is not sent to the Reader until it is mended; type the byte in HEX form "
    "instead.";

// Told when a cycle finds no UID it can take.
inline const std::string kNoUid =
    "UID can't be read. No or defect transponder on Antenna or wrong transponder type chosen.";

class WindowRig : public ScenarioDir {
public:
    explicit WindowRig(sim::Options reader = {});
    ~WindowRig();
    WindowRig(const WindowRig&) = delete;
    WindowRig& operator=(const WindowRig&) = delete;

    std::string Port() const { return Path("reader").string(); }
    // Tagwright.ini on the Reader's link: mode 1 is automatic with SET.
    void Settings(int mode, const std::string& set = {}, const std::string& extra = {}) const {
        Write("Tagwright.ini", StationIni(Port(), mode, set, extra));
    }
    // The Reader on its link, then the window, shown and active.
    bool Start();

    // The operator. Clicks, keys and menu commands return when the command
    // has run; a cycle runs later, so wait with Settle. A button or menu
    // command that is not there fails the next Settle.
    void Click(const QString& label);  // a push button by its text
    void Click(MainControl control);
    void Type(MainControl field, const QString& text, bool enter = true);
    void Key(int key);
    void Menu(const QString& path);  // "Terminal/Show", "Config"
    // The next message box must say TEXT; it gets ANSWER. Every box must
    // be expected so (one that is not gets OK and fails Settle).
    void Answer(const std::string& text, MsgAnswer answer = MsgAnswer::Ok);
    // Waits until no command, cycle or message is pending; false (with the
    // reason printed) when that does not come, a box was not expected or
    // said something else, or an expected box did not come.
    bool Settle();
    // Clicks LABEL and settles.
    bool Press(const QString& label) {
        Click(label);
        return Settle();
    }
    void Answer(const Texts& texts) {
        for (const std::string& text : texts) Answer(text);
    }
    // Automatic mode on SET as "Line" (carrier ID max MAX), or manual mode
    // with EXTRA in the settings; then Start.
    // SET left out: the counter set LineSet makes.
    bool StartAuto(const std::string& set = {}, const std::string& max = "20") {
        Write("Line.ini", set.empty() ? LineSet(*this, kCounter) : set);
        Settings(1, "Line", "Carrier ID Max=" + max + "\r\n");
        return Start();
    }
    bool StartManual(const std::string& extra = {}) {
        Settings(0, {}, extra);
        return Start();
    }
    // UTF8 set into FIELD as pasted: the test's own key clicks carry Latin-1 only.
    void Paste(MainControl field, const std::string& utf8);
    // A new tag with UID on the antenna.
    void Lay(const std::string& uid) {
        sim::Transponder tag;
        tag.uid = uid;
        reader.SetTransponder(tag);
    }

    // What the operator sees.
    QString Text(MainControl control) const;
    QColor Colour(MainControl control) const;  // an edit's background
    QString PortState() const;                 // the status line's port part
    Texts messages;                            // every box's text, in order

    // What the Reader received since the start (or the last ClearLog).
    Texts Traffic() const { return reader.CommandLog(); }

    gui::MainWindow& Window() { return *window_; }
    sim::VirtualReader reader;
    const Clock* clock = nullptr;  // the window's wall clock when set before Start

private:
    struct Expected {
        std::string text;
        MsgAnswer answer;
    };
    std::deque<Expected> answers_;
    std::string problem_;  // the first thing that went otherwise; Settle fails on it
    void Problem(const std::string& what);
    gui::MessageBoxHandler previousBoxes_;
    QString previousDir_;
    std::unique_ptr<gui::MainWindow> window_;

public:
    // The window destroyed without an end of its own (Window() is gone).
    void DestroyWindow();
};

}  // namespace tagwright::test
