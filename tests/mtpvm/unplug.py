#!/usr/bin/env python3
"""Pulls QEMU's emulated MTP device out of the running guest, as a user pulls
a cable: waits for a marker file, then deletes the usb-mtp device over QMP.

    unplug.py QMP_SOCKET MARKER_FILE DELAY_SECONDS
"""
import json
import os
import socket
import sys
import time


def main():
    path, marker, delay = sys.argv[1], sys.argv[2], float(sys.argv[3])
    deadline = time.time() + 300
    while not os.path.exists(marker):
        if time.time() > deadline:
            print("unplug: the guest never started the copy")
            return 1
        time.sleep(0.05)
    time.sleep(delay)
    sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    sock.connect(path)
    stream = sock.makefile("rw")

    def call(command, **arguments):
        request = {"execute": command}
        if arguments:
            request["arguments"] = arguments
        stream.write(json.dumps(request) + "\n")
        stream.flush()
        while True:
            reply = json.loads(stream.readline())
            if "return" in reply or "error" in reply:
                return reply

    json.loads(stream.readline())  # greeting
    call("qmp_capabilities")
    children = call("qom-list", path="/machine/peripheral-anon").get("return", [])
    for child in children:
        if child.get("type") == "child<usb-mtp>":
            reply = call("device_del", id="/machine/peripheral-anon/" + child["name"])
            print("unplug: device_del", child["name"], "->", "ok" if "return" in reply else reply)
            return 0 if "return" in reply else 1
    print("unplug: no usb-mtp device found")
    return 1


if __name__ == "__main__":
    sys.exit(main())
