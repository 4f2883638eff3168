// A top-level X11 window that holds an effect's editor, for programs that are their own host
// (the standalone instrument, halvorax-render --editor). Everything runs on the thread that
// made it.
#pragma once

#include <memory>
#include <string>

#include "VstAbi.h"

namespace halvorax {

class EditorWindow {
public:
    // Opens the display and the window, sized by the editor, and opens the editor in it.
    // Null, with a one-line reason in `error`, when no X display can be opened.
    static std::unique_ptr<EditorWindow> open(AEffect* effect, const std::string& title, std::string& error);
    ~EditorWindow();  // closes the editor first, then the window and the display
    EditorWindow(const EditorWindow&) = delete;
    EditorWindow& operator=(const EditorWindow&) = delete;

    // Takes the window manager's events and idles the editor once. False once the user has
    // closed the window.
    bool idle();
    void setTitle(const std::string& title);

private:
    EditorWindow() = default;
    VstIntPtr dispatch(VstInt32 opcode, void* ptr = nullptr);

    AEffect* effect = nullptr;
    struct X11;
    std::unique_ptr<X11> x11;
    bool closed = false;
};

}  // namespace halvorax
