#!/usr/bin/env python3
"""Plugs QEMU's emulated MTP device into a running guest and pulls it again,
as a user handles a phone, while `tessaril-cli watch` runs in the guest:

1. waits until the watcher runs (marker file), plugs the device in;
2. pulls it when the copy of the large file has begun (a part file grows
   below the backup folder), plugs it in again once the first run ended;
3. leaves it plugged in for a while, then tells the guest to stop.

    plug.py QMP_SOCKET DEVICE_DIR OUT_DIR GUEST_LOG

The guest log is the console output, read as it grows: a run's end is its
"tessaril-cli: N copied" line.
"""
import json
import os
import socket
import sys
import time


class Qmp:
    def __init__(self, path):
        deadline = time.time() + 60
        while True:
            try:
                self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
                self.sock.connect(path)
                break
            except OSError:
                if time.time() > deadline:
                    raise
                time.sleep(0.1)
        self.stream = self.sock.makefile("rw")
        json.loads(self.stream.readline())  # greeting
        self.call("qmp_capabilities")

    def call(self, command, **arguments):
        request = {"execute": command}
        if arguments:
            request["arguments"] = arguments
        self.stream.write(json.dumps(request) + "\n")
        self.stream.flush()
        while True:
            reply = json.loads(self.stream.readline())
            if "return" in reply or "error" in reply:
                return reply


def wait_for(what, test, seconds):
    deadline = time.time() + seconds
    while not test():
        if time.time() > deadline:
            raise TimeoutError(what)
        time.sleep(0.05)


def run_ends(log):
    try:
        with open(log, encoding="utf-8", errors="replace") as f:
            return sum(1 for line in f if line.startswith("tessaril-cli: ") and " copied, " in line)
    except OSError:
        return 0


def growing_part(out):
    for folder, _, names in os.walk(out):
        for name in names:
            if name.startswith(".tessaril-") and name.endswith(".part"):
                if os.path.getsize(os.path.join(folder, name)) > 16 * 1024 * 1024:
                    return True
    return False


def main():
    qmp_path, device_dir, out, log = sys.argv[1:5]
    qmp = Qmp(qmp_path)
    wait_for("the watcher never started", lambda: os.path.exists(os.path.join(out, "watching")), 300)

    def plug(name):
        reply = qmp.call("device_add", driver="usb-mtp", id=name, bus="xhci.0", rootdir=device_dir,
                         desc="Watched", readonly="on")
        print("plug: device_add", name, "->", "ok" if "return" in reply else reply, flush=True)

    def pull(name):
        reply = qmp.call("device_del", id=name)
        print("plug: device_del", name, "->", "ok" if "return" in reply else reply, flush=True)
        # The id is free again only when the guest let the device go.
        wait_for("the device was not removed", lambda: not any(
            child.get("name") == name
            for child in qmp.call("qom-list", path="/machine/peripheral").get("return", [])), 60)

    time.sleep(2)  # the watcher has looked once without a device
    plug("phone1")
    wait_for("the large file was never being copied", lambda: growing_part(out), 300)
    pull("phone1")
    wait_for("the first run never ended", lambda: run_ends(log) >= 1, 300)
    print("plug: first run ended", flush=True)
    plug("phone2")
    wait_for("the second run never ended", lambda: run_ends(log) >= 2, 600)
    print("plug: second run ended", flush=True)
    time.sleep(6)  # several looks with the device still plugged in
    open(os.path.join(out, "stop"), "w").close()
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except TimeoutError as e:
        print("plug:", e, flush=True)
        sys.exit(1)
