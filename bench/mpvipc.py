"""The mpv player driven through its JSON IPC socket, for the benchmarks that
compare against it: started paused and idle with null outputs, each message
read as mpv sends it, quit and reaped at the end.

    with Mpv("--hr-seek=yes") as mpv:
        mpv.send("loadfile", clip)
        mpv.wait_event("playback-restart")
        position = mpv.get_property("time-pos")
"""

import json
import os
import shutil
import socket
import subprocess
import tempfile
import time

OPTIONS = ["--no-config", "--idle=yes", "--pause", "--keep-open=yes", "--vo=null", "--ao=null", "--really-quiet"]


class MpvError(RuntimeError):
    pass


class Mpv:
    def __init__(self, *options, keep_events=False, start_timeout=5.0):
        """Starts mpv with OPTIONS and `options` and connects to it.
        keep_events: events passed over while waiting for something else
        are kept and a later wait looks at them first; otherwise they are
        dropped, so a wait only sees what arrives after it began."""
        self.keep_events = keep_events
        self.seen = []
        self._buffer = b""
        self._next_request = 1
        self._socket = None
        self._folder = tempfile.mkdtemp(prefix="mpvipc-")
        path = os.path.join(self._folder, "mpv.sock")
        self.spawned = time.perf_counter()
        try:
            self.process = subprocess.Popen(["mpv", *OPTIONS, *options, "--input-ipc-server=" + path],
                                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                            stderr=subprocess.DEVNULL)
        except BaseException:
            shutil.rmtree(self._folder, ignore_errors=True)
            raise
        try:
            self._connect(path, start_timeout)
        except BaseException:
            self.close()
            raise

    def _connect(self, path, timeout):
        end = time.monotonic() + timeout
        while not os.path.exists(path):
            if self.process.poll() is not None:
                raise MpvError("mpv exited (status %d) before opening its IPC socket" % self.process.returncode)
            if time.monotonic() >= end:
                raise MpvError("mpv did not open its IPC socket within %.0f s" % timeout)
            time.sleep(0.002)
        self._socket = socket.socket(socket.AF_UNIX)
        self._socket.connect(path)

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.close()

    def send(self, *command, request=None):
        message = {"command": list(command)}
        if request is not None:
            message["request_id"] = request
        self._socket.sendall((json.dumps(message) + "\n").encode())

    def wait(self, predicate, timeout=None):
        """The first message that `predicate` accepts, or None after `timeout`
        seconds (None: as long as it takes)."""
        if self.keep_events:
            for message in self.seen:
                if predicate(message):
                    self.seen.remove(message)
                    return message
        end = None if timeout is None else time.monotonic() + timeout
        while True:
            while b"\n" in self._buffer:
                line, self._buffer = self._buffer.split(b"\n", 1)
                message = json.loads(line)
                if predicate(message):
                    return message
                if self.keep_events and "event" in message:
                    self.seen.append(message)
            if end is None:
                self._socket.settimeout(None)
            else:
                left = end - time.monotonic()
                if left <= 0:
                    return None
                self._socket.settimeout(max(0.001, left))
            try:
                data = self._socket.recv(65536)
            except socket.timeout:
                return None
            if not data:
                raise MpvError("mpv closed its IPC socket")
            self._buffer += data

    def wait_event(self, name, timeout=None):
        return self.wait(lambda m: m.get("event") == name, timeout)

    def request(self, *command, timeout=None):
        """Sends `command` and returns mpv's reply to it (None after `timeout`)."""
        request = self._next_request
        self._next_request += 1
        self.send(*command, request=request)
        return self.wait(lambda m: m.get("request_id") == request, timeout)

    def get_property(self, name, timeout=None):
        """The property's value, or None when mpv has none (or did not answer)."""
        reply = self.request("get_property", name, timeout=timeout)
        return reply.get("data") if reply else None

    def close(self):
        """Asks mpv to quit, kills it if it has not within 5 s, and removes the
        socket's folder."""
        try:
            if self._socket is not None:
                try:
                    self.send("quit")
                except OSError:
                    pass
                self._socket.close()
                self._socket = None
            try:
                self.process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        finally:
            shutil.rmtree(self._folder, ignore_errors=True)
