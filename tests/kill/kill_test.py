#!/usr/bin/env python3
"""Kills `tessaril-cli backup` of a simulated device with SIGKILL at several
moments (plain, gzip and zip output, and while earlier copies are replaced),
runs it again and checks what a kill may never leave behind: a file under a
real name that is not a complete copy, an earlier copy that was damaged, or an
incomplete set after the re-run."""
import gzip
import os
import random
import signal
import subprocess
import sys
import tempfile
import time
import zipfile

CLI = sys.argv[1]
# Microseconds per 64 KiB read: 8 MiB take about 2.5 s, so a kill lands mid-file.
DEVICE_INI = "[Device]\nManufacturer=Test\n[Faults]\nReadDelayUs=20000\n"
FILES = {"DCIM/big1.bin": 8 << 20, "DCIM/big2.bin": 3 << 20, "DCIM/a.txt": 1000, "Music/song.bin": 2 << 20,
         "b.txt": 10}
MODES = {"plain": [], "gzip": ["--compress", "--no-comp-types", "#"], "zip": ["--zip"]}
KILL_AFTER = [0.2, 1.0, 2.5]
failures = []


def fail(message):
    failures.append(message)
    print("FAIL:", message)


def write_device(root, generation):
    rng = random.Random(generation)
    contents = {}
    for relative, size in FILES.items():
        data = rng.randbytes(size)
        path = os.path.join(root, "Phone", "Internal", relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        # A newer generation is newer on the device too.
        stamp = 1_600_000_000 + generation * 86400
        os.utime(path, (stamp, stamp))
        contents[os.path.basename(relative)] = data
    with open(os.path.join(root, "Phone", "device.ini"), "w") as f:
        f.write(DEVICE_INI)
    return contents


def read_copy(path, mode):
    """The content of a copy, or None when it is not a complete copy."""
    try:
        if mode == "gzip":
            with gzip.open(path, "rb") as g:
                return g.read()
        if mode == "zip":
            with zipfile.ZipFile(path) as z:
                names = z.namelist()
                return z.read(names[0]) if len(names) == 1 and z.testzip() is None else None
        with open(path, "rb") as f:
            return f.read()
    except Exception:  # a truncated archive is exactly what we look for
        return None


def copies(dest):
    found = {}
    for folder, _, names in os.walk(dest):
        for name in names:
            found.setdefault(name, []).append(os.path.join(folder, name))
    return found


def real_name(name, mode):
    suffix = {"plain": "", "gzip": ".gz", "zip": ".zip"}[mode]
    return name[: len(name) - len(suffix)] if suffix and name.endswith(suffix) else name


def check(dest, mode, allowed, label, complete):
    """Every real-named file must be one of the allowed complete versions."""
    for name, paths in copies(dest).items():
        if name.startswith(".tessaril-") and name.endswith(".part"):
            if complete:
                fail(f"{label}: part file {name} left after a complete run")
            continue
        # An empty probe of whether the folder tells case apart; a kill between
        # its creation and removal leaves it, and it never carries a real name.
        if name.startswith(".tessaril-case-"):
            continue
        base = real_name(name, mode)
        for path in paths:
            data = read_copy(path, mode)
            if data is None or base not in allowed or data not in allowed[base]:
                fail(f"{label}: {path} is not a complete copy")
    if complete:
        present = {real_name(n, mode) for n in copies(dest) if not n.startswith(".tessaril-")}
        for base in allowed:
            if base not in present:
                fail(f"{label}: {base} missing after the re-run")


def backup(env, dest, mode, kill_after=None):
    command = [CLI, "backup", "Phone", "--to", dest, "--dir", "Internal", "--overwrite", "older"] + MODES[mode]
    process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    if kill_after is None:
        _, err = process.communicate(timeout=300)
        return process.returncode, err.decode(errors="replace")
    time.sleep(kill_after)
    process.send_signal(signal.SIGKILL)
    process.wait()
    return None, ""


def main():
    if not os.access(CLI, os.X_OK):
        print("tessaril-cli not built; skipped")
        return 77
    with tempfile.TemporaryDirectory() as work:
        devices = os.path.join(work, "devices")
        env = dict(os.environ, TESSARIL_DEVICES=devices, TESSARIL_BACKENDS="sim")
        for mode in MODES:
            first = write_device(devices, 1)
            dest = os.path.join(work, "dest-" + mode)
            allowed = {name: [data] for name, data in first.items()}
            for moment in KILL_AFTER:
                backup(env, dest, mode, moment)
                check(dest, mode, allowed, f"{mode} killed after {moment} s", False)
            code, err = backup(env, dest, mode)
            if code != 0:
                fail(f"{mode}: re-run ended with {code}: {err}")
            check(dest, mode, allowed, f"{mode} re-run", True)

            # Newer device files replace the copies; a kill keeps old or new, never half.
            second = write_device(devices, 2)
            allowed = {name: [first[name], second[name]] for name in first}
            for moment in KILL_AFTER:
                backup(env, dest, mode, moment)
                check(dest, mode, allowed, f"{mode} overwrite killed after {moment} s", False)
            code, err = backup(env, dest, mode)
            if code != 0:
                fail(f"{mode}: overwrite re-run ended with {code}: {err}")
            check(dest, mode, {name: [data] for name, data in second.items()}, f"{mode} overwrite re-run", True)
    if failures:
        print(f"{len(failures)} failures")
        return 1
    print("all kills left complete copies only")
    return 0


if __name__ == "__main__":
    sys.exit(main())
