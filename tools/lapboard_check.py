#!/usr/bin/env python3
"""Talks to the simulated lap board the way the PC does and checks its answers.

    lapboard_check.py <lapboard_sim> <lapboard.elf>

A check by hand, not part of the test suite: it prints what it saw and ends
with "all good" or the first thing that was wrong (exit status 1).
"""
import os
import select
import subprocess
import sys
import tempfile
import time

SCRIPT = """\
pulse 20
cross 1 250.25
cross 3 400.5
unplug 3000
end 4000
"""
CROSSINGS_MS = [(1, 250.25), (3, 400.5)]


def crc(body: bytes) -> int:
    value = 0xFFFF
    for byte in body:
        value ^= byte
        for _ in range(8):
            value = (value >> 1) ^ 0x8408 if value & 1 else value >> 1
    return value


def framed(body: str) -> bytes:
    return b"%s*%04X\n" % (body.encode(), crc(body.encode()))


class Board:
    def __init__(self, sim, elf, script_path):
        self.sim = subprocess.Popen([sim, "--firmware", elf, "--script", script_path],
                                    stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        first = self.sim.stdout.readline().decode().split()
        assert first[0] == "PTY", first
        self.fd = os.open(first[1], os.O_RDWR | os.O_NOCTTY)
        self.log = []       # (wall, text) from the harness
        self.lines = []     # (wall, fields) from the board
        self.pending = b""
        self.seq = 0
        self.start = time.monotonic()
        os.set_blocking(self.sim.stdout.fileno(), False)
        self.sim_buffer = b""

    def send(self, body_without_seq, raw=None):
        kind, _, rest = body_without_seq.partition(" ")
        body = "%s %02X%s" % (kind, self.seq, " " + rest if rest else "")
        self.seq = (self.seq + 1) & 0xFF
        try:
            os.write(self.fd, raw if raw is not None else framed(body))
        except OSError:     # the cable was pulled
            os.close(self.fd)
            self.fd = None
        return body

    def pump(self, seconds):
        """Reads everything that arrives for the given time."""
        until = time.monotonic() + seconds
        while True:
            left = until - time.monotonic()
            if left <= 0:
                return
            fds = [self.sim.stdout.fileno()] + ([self.fd] if self.fd is not None else [])
            ready, _, _ = select.select(fds, [], [], left)
            now = time.monotonic() - self.start
            if self.fd in ready:
                try:
                    self.pending += os.read(self.fd, 4096)
                except OSError:     # the cable was pulled
                    os.close(self.fd)
                    self.fd = None
                while b"\n" in self.pending:
                    raw, self.pending = self.pending.split(b"\n", 1)
                    body, star, check = raw.partition(b"*")
                    assert star and int(check, 16) == crc(body), "bad line from the board: %r" % raw
                    self.lines.append((now, body.decode().split()))
            if self.sim.stdout.fileno() in ready:
                self.sim_buffer += self.sim.stdout.read() or b""
                while b"\n" in self.sim_buffer:
                    raw, self.sim_buffer = self.sim_buffer.split(b"\n", 1)
                    self.log.append((now, raw.decode().split()))

    def wait_for(self, kind, seconds=1.0, after=0):
        until = time.monotonic() + seconds
        while time.monotonic() < until:
            for fields in (f for _, f in self.lines[after:]):
                if fields[0] == kind:
                    return fields
            self.pump(0.001)
        raise AssertionError("no %s line from the board" % kind)

    def heartbeats(self, seconds):
        until = time.monotonic() + seconds
        while time.monotonic() < until:
            self.send("H")
            self.pump(min(0.1, max(0.0, until - time.monotonic())))


def main():
    sim, elf = sys.argv[1], sys.argv[2]
    with tempfile.NamedTemporaryFile("w", suffix=".txt", delete=False) as script:
        script.write(SCRIPT)
    board = Board(sim, elf, script.name)
    try:
        board.pump(0.3)
        first = board.lines[0][1]
        assert first == ["K", "00", "1", "1.0"], first
        print("hello after reset:", " ".join(first))

        mark = len(board.lines)
        board.send("?")
        print("hello on ?:", " ".join(board.wait_for("K", after=mark)))
        # Asked right after a heartbeat, so the next H is the answer.
        board.wait_for("H", after=len(board.lines))
        mark = len(board.lines)
        asked = time.monotonic()
        board.send("Q")
        answer = board.wait_for("H", after=mark)
        print("Q answered in %.1f ms: %s" % ((time.monotonic() - asked) * 1000, " ".join(answer)))

        mark = len(board.lines)
        board.send("O 8F")
        applied = board.wait_for("A", after=mark)
        green_time = int(applied[3], 16)
        print("O 8F applied:", " ".join(applied))
        board.heartbeats(0.7)

        changes = [f for _, f in board.lines if f[0] == "E"]
        arrivals = [f for f in changes if f[3] != "0"]
        assert len(changes) == 4, changes
        for (track, ms), line in zip(CROSSINGS_MS, arrivals):
            assert int(line[3], 16) == 1 << (track - 1), line
            offset = int(line[2], 16) - green_time
            error = offset - ms * 1000
            print("track %d crossed %.2f ms after green: E %s, %d us after the A time (%+.0f us)"
                  % (track, ms, line[2], offset, error))
            assert abs(error) <= 5, error
        release = int(changes[1][2], 16) - int(changes[0][2], 16)
        print("pulse seen as %d us" % release)

        # The heartbeats on their own, without the one that answered Q.
        beats = [int(f[2], 16) for _, f in board.lines if f[0] == "H" and f[1] != answer[1]]
        gaps = [b - a for a, b in zip(beats, beats[1:])]
        print("heartbeat gaps (board us): min %d max %d over %d" % (min(gaps), max(gaps), len(gaps)))
        walls = [w for w, f in board.lines if f[0] == "H" and f[1] != answer[1]]
        wall_gaps = [(b - a) * 1000 for a, b in zip(walls[2:], walls[3:])]
        print("heartbeat gaps (wall ms): min %.1f max %.1f" % (min(wall_gaps), max(wall_gaps)))
        seqs = [int(f[1], 16) for _, f in board.lines]
        assert all((b - a) & 0xFF == 1 for a, b in zip(seqs, seqs[1:])), seqs

        for name, raw in (("CRC", b"H %02X*0000\n"), ("FORMAT", None)):
            mark = len(board.lines)
            if raw is None:
                board.send("Z")
            else:
                board.send("H", raw % board.seq)
            problem = board.wait_for("X", after=mark)
            assert problem[2] == name, problem
            print("damaged line answered:", " ".join(problem))

        # Silence from the PC: the outputs go off by themselves.
        board.send("O 0F")
        board.pump(0.9)
        outs = [(int(f[2]), int(f[1], 16)) for _, f in board.log if f[0] == "OUT"]
        on = next(t for t, image in outs if image == 0x0F)
        off = next(t for t, image in outs if image == 0x00 and t > on)
        print("silent PC: outputs 0F at %d us, off at %d us: %.3f ms later" % (on, off, (off - on) / 1000))
        assert 499_000 <= off - on <= 502_000, off - on
        late = [f for _, f in board.lines if f[0] == "H"][-1]
        assert late[4] == "00", late
        board.heartbeats(0.3)
        assert [f for _, f in board.log if f[0] == "OUT"][-1][1] == "00", "outputs came back without O"

        # The cable comes out while the track is powered.
        board.send("O 0F")
        while board.fd is not None:
            board.heartbeats(0.1)
        board.pump(0.8)
        unplugged = next(int(f[1]) for _, f in board.log if f[0] == "UNPLUG")
        outs = [(int(f[2]), int(f[1], 16)) for _, f in board.log if f[0] == "OUT"]
        off = next(t for t, image in outs if image == 0x00 and t > unplugged)
        print("cable pulled at %d us, outputs off %.1f ms later" % (unplugged, (off - unplugged) / 1000))
        assert off - unplugged <= 502_000
        board.sim.stdin.close()
        assert board.sim.wait(timeout=5) == 0
        print("harness log:", "; ".join(" ".join(f) for _, f in board.log))
        print("all good")
    finally:
        if board.sim.poll() is None:
            board.sim.terminate()
        os.unlink(script.name)


if __name__ == "__main__":
    try:
        main()
    except AssertionError as problem:
        print("WRONG:", problem)
        sys.exit(1)
