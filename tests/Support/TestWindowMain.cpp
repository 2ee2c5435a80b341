// tarvo-test-window CLASS TITLE [--no-focus]: maps one window of the class and title, owned by this
// process, and stays until its X server goes or it is told to stop. With --no-focus the window
// never takes the focus, so the window manager never makes it active.
#include <cstring>
#include <string>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    const bool noFocus = argc > 3 && std::strcmp(argv[3], "--no-focus") == 0;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 1;
    const Window root = DefaultRootWindow(display);
    const Window window = XCreateSimpleWindow(display, root, 200, 200, 300, 200, 0, 0, 0x3366cc);
    std::string instance = std::string(argv[1]) + "-instance";
    XClassHint hint{instance.data(), argv[1]};
    XSetClassHint(display, window, &hint);
    XStoreName(display, window, argv[2]);
    const long pid = getpid();
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pid), 1);
    XWMHints hints{};
    hints.flags = InputHint;
    hints.input = noFocus ? False : True;
    XSetWMHints(display, window, &hints);
    if (noFocus) {
        const long never = 0;
        XChangeProperty(display, window, XInternAtom(display, "_NET_WM_USER_TIME", False), XA_CARDINAL, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(&never), 1);
    }
    XMapWindow(display, window);
    XFlush(display);
    // Ends with the server: Xlib's own handler exits when the connection breaks.
    for (XEvent event;;) XNextEvent(display, &event);
}
