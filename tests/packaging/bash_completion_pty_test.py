#!/usr/bin/env python3
"""The bash completion of plotsieve-cli as a person meets it: an interactive
bash (bash -i) on a pseudo-terminal, after bash_completion, which loads the
completion on demand from the folder where it is installed, the keys typed
and the line read back after Tab.

Usage: bash_completion_pty_test.py DATA_DIR PLOTSIEVE_CLI
  DATA_DIR holds bash-completion/completions/plotsieve-cli (a share/ folder:
  /usr/share for an installed package); PLOTSIEVE_CLI is the program, whose
  extract --help lists the text kinds.
"""
import os
import pty
import re
import select
import subprocess
import sys
import tempfile
import time

BASH_COMPLETION = "/usr/share/bash-completion/bash_completion"
SHOW_LINE = b"\x18l"  # C-x l: prints the line being edited between << and >>
KILL_LINE = b"\x15"  # C-u


class Shell:
    """An interactive bash on a pseudo-terminal."""

    def __init__(self, rc_file, env):
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            os.execvpe("bash", ["bash", "--noprofile", "--rcfile", rc_file, "-i"], env)
        self.output = b""
        self.read_until(b"READY\r\n", 20)

    def read_until(self, marker, timeout):
        """Reads until `marker` has come; gives what came since the last call."""
        start = len(self.output)
        deadline = time.monotonic() + timeout
        while marker not in self.output[start:]:
            left = deadline - time.monotonic()
            if left <= 0:
                raise TimeoutError(f"no {marker!r} in {self.output[start:]!r}")
            if select.select([self.fd], [], [], left)[0]:
                try:
                    chunk = os.read(self.fd, 4096)
                except OSError:
                    chunk = b""
                if not chunk:
                    raise EOFError(self.output[start:])
                self.output += chunk
        return self.output[start:]

    def settle(self, quiet=0.4):
        """Reads until the shell has been quiet for `quiet` seconds."""
        while select.select([self.fd], [], [], quiet)[0]:
            chunk = os.read(self.fd, 4096)
            if not chunk:
                break
            self.output += chunk

    def complete(self, text, tabs):
        """Types `text` and Tab `tabs` times; gives the line afterwards and
        everything the shell wrote meanwhile."""
        start = len(self.output)
        os.write(self.fd, text.encode())
        for _ in range(tabs):
            os.write(self.fd, b"\t")
            self.settle()
        os.write(self.fd, SHOW_LINE)
        self.read_until(b">>", 10)
        written = self.output[start:].decode(errors="replace")
        line = re.findall(r"<<(.*?)>>", written)[-1]
        os.write(self.fd, KILL_LINE)
        self.settle(0.2)
        return line, written

    def close(self):
        os.write(self.fd, b"exit\n")
        os.waitpid(self.pid, 0)


def main():
    data_dir, program = sys.argv[1], sys.argv[2]
    help_text = subprocess.run([program, "extract", "--help"], capture_output=True,
                               text=True, check=True).stdout
    kinds = set(re.findall(r"\b[A-Z][A-Z0-9_]*[A-Z0-9]\b",
                           help_text.split("any case):", 1)[1].split("--show-kind")[0]))
    failures = []

    with tempfile.TemporaryDirectory() as home:
        tree = os.path.join(home, "tree")
        os.makedirs(os.path.join(tree, "samples"))
        for name in ("samplers.txt", "plan.dxf"):
            open(os.path.join(tree, name), "w").close()
        rc_file = os.path.join(home, "bashrc")
        with open(rc_file, "w") as rc:
            rc.write(f"""PS1='$ '
. {BASH_COMPLETION}
bind -x '"\\C-xl": printf "<<%s>>\\n" "$READLINE_LINE"'
bind 'set bell-style none'
cd {tree}
echo READY
""")
        env = {
            "HOME": home,
            "PATH": os.path.dirname(os.path.abspath(program)) + ":/usr/bin:/bin",
            "TERM": "dumb",
            "COLUMNS": "200",
            "LINES": "50",
            "LANG": "C.UTF-8",
            "XDG_DATA_DIRS": data_dir,
            "BASH_COMPLETION_USER_DIR": os.path.join(home, "none"),
        }
        shell = Shell(rc_file, env)

        def expect_line(text, want, tabs=1):
            line, written = shell.complete(text, tabs)
            if line != want:
                failures.append(f"{text!r} + Tab: line {line!r}, want {want!r}")
            if "command not found" in written or "bash:" in written:
                failures.append(f"{text!r} + Tab: the shell said {written!r}")

        def expect_offers(text, want):
            _, written = shell.complete(text, 2)
            # The candidates come between the typed line and the prompt
            # that shows it again.
            listing = written.split(text, 1)[-1].split("<<")[0].rsplit("\n$ ", 1)[0]
            offers = set(listing.split())
            if offers != want:
                failures.append(f"{text!r} + Tab Tab: offers {sorted(offers)}, want {sorted(want)}")
            if "command not found" in written or "bash:" in written:
                failures.append(f"{text!r} + Tab Tab: the shell said {written!r}")

        expect_line("plotsieve-cli search sam", "plotsieve-cli search samples/")
        # Twice: the first completion must leave the shell's options as they were.
        expect_line("plotsieve-cli search sam", "plotsieve-cli search samples/")
        expect_line("plotsieve-cli search pl", "plotsieve-cli search plan.dxf ")
        expect_line("plotsieve-cli search --form", "plotsieve-cli search --format=")
        expect_line("plotsieve-cli search --format=j", "plotsieve-cli search --format=json ")
        expect_line("plotsieve-cli index sam", "plotsieve-cli index samples/")
        expect_line("plotsieve-cli extract --kinds MT", "plotsieve-cli extract --kinds MTEXT")
        expect_offers("plotsieve-cli extract --kinds ", kinds)
        # What bash_completion's own functions need is still set after ours ran.
        os.write(shell.fd, b"shopt -q extglob && echo extglob-$((6 * 7))\n")
        try:
            shell.read_until(b"extglob-42", 5)
        except TimeoutError:
            failures.append("extglob was turned off by the completion")
        shell.close()

    for failure in failures:
        print("FAIL:", failure, file=sys.stderr)
    if failures:
        sys.exit(1)
    print("bash completion on a terminal: all passed")


if __name__ == "__main__":
    main()
