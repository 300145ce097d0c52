#!/usr/bin/python3
"""Asks an X11 window to close the way a window manager does (WM_DELETE_WINDOW).

usage: x11_close.py WINDOW_ID
"""
import sys

from Xlib import X, display, protocol


def main() -> int:
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    d = display.Display()
    win = d.create_resource_object("window", int(sys.argv[1], 0))
    protocols = d.intern_atom("WM_PROTOCOLS")
    delete = d.intern_atom("WM_DELETE_WINDOW")
    ev = protocol.event.ClientMessage(window=win, client_type=protocols, data=(32, [delete, X.CurrentTime, 0, 0, 0]))
    win.send_event(ev, event_mask=X.NoEventMask)
    d.flush()
    return 0


if __name__ == "__main__":
    sys.exit(main())
