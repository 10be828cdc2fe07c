#!/usr/bin/env python3
"""The tests' keyboard in a headless mutter session, and the desktop portal's remote desktop
as GNOME's portal would serve it once the user allowed it.

Keys go through mutter's own remote desktop API, which only tests may use. Lines on standard
input, each answered "ok":
  key ctrl+alt+space     a chord: modifiers (ctrl, shift, alt, super) and an XKB keysym name
  type Hello, world!     text (Latin-1)
It prints "ready" once mutter's session has started and the portal is on the bus."""

import sys
import threading
import time

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

MUTTER = "org.gnome.Mutter.RemoteDesktop"
PORTAL = "org.freedesktop.portal.Desktop"
PORTAL_PATH = "/org/freedesktop/portal/desktop"
MODIFIERS = {"ctrl": 0xffe3, "shift": 0xffe1, "alt": 0xffe9, "super": 0xffeb}
KEYSYMS = {"space": 0x20, "Return": 0xff0d, "Escape": 0xff1b, "Shift_L": 0xffe1}


def keysym_of(name):
    if name in KEYSYMS:
        return KEYSYMS[name]
    if len(name) == 1:
        return ord(name)
    raise ValueError(f"unknown key {name}")


class MutterKeyboard:
    def __init__(self, bus):
        desktop = bus.get_object(MUTTER, "/org/gnome/Mutter/RemoteDesktop")
        path = dbus.Interface(desktop, MUTTER).CreateSession()
        self._session = dbus.Interface(bus.get_object(MUTTER, path), MUTTER + ".Session")
        self._session.Start()
        # The seat gets its keyboard with the first key, which is lost while programs bind it.
        self.tap(KEYSYMS["Shift_L"])
        time.sleep(0.2)

    def press(self, keysym, down):
        self._session.NotifyKeyboardKeysym(dbus.UInt32(keysym), dbus.Boolean(down))

    def tap(self, keysym, held=()):
        for modifier in held:
            self.press(modifier, True)
        self.press(keysym, True)
        self.press(keysym, False)
        for modifier in reversed(held):
            self.press(modifier, False)


class Request(dbus.service.Object):
    @dbus.service.signal("org.freedesktop.portal.Request", signature="ua{sv}")
    def Response(self, response, results):
        pass


class RemoteDesktopPortal(dbus.service.Object):
    """Grants every request, as after the user chose Share in GNOME's dialog, and passes the
    keys on to mutter."""

    def __init__(self, bus, keyboard):
        super().__init__(bus, PORTAL_PATH)
        self._bus = bus
        self._keyboard = keyboard
        self._requests = []

    def _answer(self, sender, options, results):
        token = str(options.get("handle_token", "t"))
        path = f"{PORTAL_PATH}/request/{sender[1:].replace('.', '_')}/{token}"
        request = Request(self._bus, path)
        self._requests.append(request)
        GLib.timeout_add(10, lambda: request.Response(dbus.UInt32(0),
                                                      dbus.Dictionary(results, "sv")) and False)
        return dbus.ObjectPath(path)

    @dbus.service.method("org.freedesktop.DBus.Properties", in_signature="ss",
                         out_signature="v")
    def Get(self, interface, name):
        if interface == "org.freedesktop.portal.RemoteDesktop" and name == "version":
            return dbus.UInt32(1)
        raise dbus.exceptions.DBusException("no such property",
                                            name="org.freedesktop.DBus.Error.InvalidArgs")

    @dbus.service.method("org.freedesktop.portal.RemoteDesktop", in_signature="a{sv}",
                         out_signature="o", sender_keyword="sender")
    def CreateSession(self, options, sender=None):
        token = str(options.get("session_handle_token", "s"))
        return self._answer(sender, options,
                            {"session_handle": f"{PORTAL_PATH}/session/x/{token}"})

    @dbus.service.method("org.freedesktop.portal.RemoteDesktop", in_signature="oa{sv}",
                         out_signature="o", sender_keyword="sender")
    def SelectDevices(self, session, options, sender=None):
        return self._answer(sender, options, {})

    @dbus.service.method("org.freedesktop.portal.RemoteDesktop", in_signature="osa{sv}",
                         out_signature="o", sender_keyword="sender")
    def Start(self, session, parent, options, sender=None):
        return self._answer(sender, options, {"devices": dbus.UInt32(1)})

    @dbus.service.method("org.freedesktop.portal.RemoteDesktop", in_signature="oa{sv}iu")
    def NotifyKeyboardKeysym(self, session, options, keysym, state):
        self._keyboard.press(keysym, bool(state))


def handle(keyboard, line):
    verb, _, rest = line.partition(" ")
    if verb == "key":
        *modifiers, key = rest.split("+")
        keyboard.tap(keysym_of(key), [MODIFIERS[m] for m in modifiers])
    elif verb == "type":
        for character in rest:
            keyboard.tap(ord(character))
    else:
        raise ValueError(f"unknown line {line}")


def main():
    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    keyboard = MutterKeyboard(bus)
    portal = RemoteDesktopPortal(bus, keyboard)
    name = dbus.service.BusName(PORTAL, bus)
    loop = GLib.MainLoop()

    def read_lines():
        for line in sys.stdin:
            done = threading.Event()

            def run(text=line.rstrip("\n")):
                try:
                    handle(keyboard, text)
                    print("ok", flush=True)
                except Exception as error:  # the tests show what went wrong
                    print(f"error {error}", flush=True)
                done.set()
                return False
            GLib.idle_add(run)
            done.wait()
        GLib.idle_add(loop.quit)

    print("ready", flush=True)
    threading.Thread(target=read_lines, daemon=True).start()
    loop.run()
    del portal, name


if __name__ == "__main__":
    main()
