#!/usr/bin/env python3
"""The search page's API under load, against the command line on the same tree.

usage: bench/serve_bench.py TREE [--cli PATH] [--clients 50] [--seconds 30]
                                 [--runs 7] [--keyword 排煙窓] [--max-searches N]
                                 [--index URL|own] [--keywords A,B,...]

With a warm text cache (one search fills it, the next warms the page cache):
  1. `plotsieve-cli search -k KEYWORD TREE`: the time to its first row and to
     its end, median of RUNS runs;
  2. the same search through `serve` (/api/search, one client): the time to
     the first row line and to the summary, median of RUNS runs;
  3. CLIENTS clients at once, each searching for KEYWORD again and again for
     SECONDS. Searches of one query that wait for their turn together run
     once for all of them; with --keywords each client goes through the
     list from a place of its own (client N starts at its N-th keyword), so
     fewer share a run: p50, p95 and p99 latency of a whole search and the
     searches completed per second.
With --index, the tree is indexed (`index --to URL TREE`, replacing what the
database held) and 2 and 3 run again through `serve --index URL`, beside
`search --index URL` (first row and end); `--index own` starts a PostgreSQL
server of the script's own in a temporary folder (Debian's postgresql), as
the tests start theirs. Everything runs on loopback; the servers are stopped
at the end. Make the tree with `python3 bench/make_tree.py TREE`.
"""
import argparse
import http.client
import json
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

def cli_search(cli, cache, tree, keyword, index=None):
    """(first row, end) of one command-line search, in seconds."""
    source = ["--index", index] if index else ["--cache", cache]
    start = time.perf_counter()
    process = subprocess.Popen([cli, "search", "-q", "-k", keyword, *source,
                                "--format", "paths", tree],
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    first = None
    for _ in process.stdout:
        if first is None:
            first = time.perf_counter() - start
    process.wait()
    end = time.perf_counter() - start
    return (first if first is not None else end), end


class Serve:
    def __init__(self, cli, source, tree, max_searches, folder):
        self.log = open(os.path.join(folder, "serve.log"), "w+b")
        command = [cli, "serve", "--listen", "127.0.0.1:0", "--root", "tree=" + tree,
                   *source, "--time-limit", "600"]
        if max_searches:
            command += ["--max-searches", str(max_searches)]
        self.process = subprocess.Popen(command, stderr=self.log, stdin=subprocess.DEVNULL)
        for _ in range(400):
            self.log.seek(0)
            found = re.search(rb"http://127\.0\.0\.1:(\d+)/", self.log.read())
            if found:
                self.port = int(found.group(1))
                return
            time.sleep(0.025)
        raise RuntimeError("serve did not start")

    def stop(self):
        self.process.terminate()
        self.process.wait(30)


def api_search(connection, keyword):
    """(first row, end, rows) of one search through the API, in seconds."""
    target = "/api/search?" + urllib.parse.urlencode({"keyword": keyword})
    start = time.perf_counter()
    connection.request("GET", target)
    response = connection.getresponse()
    if response.status != 200:
        raise RuntimeError(f"{response.status}: {response.read()[:200]}")
    first = None
    summary = None
    while True:
        line = response.readline()
        if not line:
            break
        if line.startswith(b'{"count"'):
            summary = json.loads(line)
        elif first is None:
            first = time.perf_counter() - start
    end = time.perf_counter() - start
    if summary is None:
        raise RuntimeError("no summary")
    return (first if first is not None else end), end, summary["count"]


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(fraction * len(ordered)))]


def load(port, clients, seconds, keywords):
    """Latencies of every search CLIENTS clients completed in SECONDS."""
    latencies = []
    failures = []
    lock = threading.Lock()
    stop_at = time.perf_counter() + seconds

    def client(number):
        connection = http.client.HTTPConnection("127.0.0.1", port, timeout=120)
        turn = number
        while time.perf_counter() < stop_at:
            keyword = keywords[turn % len(keywords)]
            turn += 1
            try:
                _, end, _ = api_search(connection, keyword)
            except Exception as error:  # a refusal or a broken connection counts
                with lock:
                    failures.append(str(error))
                connection.close()
                connection = http.client.HTTPConnection("127.0.0.1", port, timeout=120)
                continue
            with lock:
                latencies.append(end)
        connection.close()

    threads = [threading.Thread(target=client, args=(n,)) for n in range(clients)]
    started = time.perf_counter()
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    return latencies, failures, time.perf_counter() - started


class OwnPostgres:
    """A PostgreSQL server in a folder of its own, on a Unix socket there."""

    def __init__(self):
        versions = sorted(os.listdir("/usr/lib/postgresql"), key=lambda v: [int(p) for p in v.split(".")])
        self.bin = f"/usr/lib/postgresql/{versions[-1]}/bin"
        # Where the server's user reaches it (/tmp may be closed to others).
        self.folder = tempfile.mkdtemp(prefix="plotsieve-serve-bench-pg-", dir="/var/tmp")
        self.as_server = []
        if os.geteuid() == 0:  # the server refuses to run as root
            shutil.chown(self.folder, "nobody", "nogroup")
            self.as_server = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"]
        environment = dict(os.environ, LC_ALL="C.UTF-8")
        subprocess.run([*self.as_server, f"{self.bin}/initdb", "-D", self.folder + "/data",
                        "-U", "postgres", "-A", "trust", "-E", "UTF8", "--locale=C.UTF-8"],
                       check=True, stdout=subprocess.DEVNULL, env=environment)
        subprocess.run([*self.as_server, f"{self.bin}/pg_ctl", "-w", "-D", self.folder + "/data",
                        "-l", self.folder + "/log", "-o",
                        f"-k {self.folder} -p 5432 -c listen_addresses=''", "start"],
                       check=True, stdout=subprocess.DEVNULL, env=environment)
        self.url = f"host={self.folder} port=5432 user=postgres dbname=postgres"

    def stop(self):
        subprocess.run([*self.as_server, f"{self.bin}/pg_ctl", "-D", self.folder + "/data",
                        "-m", "fast", "stop"], stdout=subprocess.DEVNULL)
        shutil.rmtree(self.folder, ignore_errors=True)


def measure_serve(arguments, source, tree, folder):
    """(first row, end, rows) of one client, then the load's figures."""
    server = Serve(arguments.cli, source, tree, arguments.max_searches, folder)
    try:
        connection = http.client.HTTPConnection("127.0.0.1", server.port, timeout=120)
        api_search(connection, arguments.keyword)  # each session opens its cache once
        runs = [api_search(connection, arguments.keyword) for _ in range(arguments.runs)]
        connection.close()
        keywords = arguments.keywords.split(",") if arguments.keywords else [arguments.keyword]
        load_figures = load(server.port, arguments.clients, arguments.seconds, keywords)
    finally:
        server.stop()
    return (statistics.median(run[0] for run in runs), statistics.median(run[1] for run in runs),
            runs[0][2]), load_figures


def report(name, single, cli, load_figures, clients):
    first, end, _ = single
    print(f"{name}, 1 client: first row {first:.3f} s ({first / cli[0]:.2f}x), "
          f"complete {end:.3f} s ({end / cli[1]:.2f}x)")
    latencies, failures, elapsed = load_figures
    if latencies:
        print(f"{name}, {clients} clients for {elapsed:.1f} s: "
              f"{len(latencies)} searches, {len(latencies) / elapsed:.1f} per second; "
              f"latency p50 {percentile(latencies, 0.50):.3f} s, "
              f"p95 {percentile(latencies, 0.95):.3f} s, "
              f"p99 {percentile(latencies, 0.99):.3f} s, max {max(latencies):.3f} s")
    if failures:
        print(f"{name}: {len(failures)} searches failed, first: {failures[0]}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("tree")
    parser.add_argument("--cli", default="build/cli/plotsieve-cli")
    parser.add_argument("--clients", type=int, default=50)
    parser.add_argument("--seconds", type=float, default=30)
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--keyword", default="排煙窓")
    parser.add_argument("--max-searches", type=int, default=0)
    parser.add_argument("--keywords", help="keywords the clients go through, comma-separated")
    parser.add_argument("--index", help="a database to index the tree into, or 'own'")
    arguments = parser.parse_args()
    tree = os.path.abspath(arguments.tree)
    folder = tempfile.mkdtemp(prefix="plotsieve-serve-bench-")
    cache = os.path.join(folder, "text-cache.sqlite")
    postgres = None
    try:
        for _ in range(2):  # fill the cache, then warm the system's page cache
            cli_search(arguments.cli, cache, tree, arguments.keyword)

        cli_runs = [cli_search(arguments.cli, cache, tree, arguments.keyword)
                    for _ in range(arguments.runs)]
        cli = (statistics.median(run[0] for run in cli_runs),
               statistics.median(run[1] for run in cli_runs))
        single, load_figures = measure_serve(arguments, ["--cache", cache], tree, folder)

        print(f"tree {tree}: keyword {arguments.keyword}, {single[2]} rows; "
              f"median of {arguments.runs}")
        print(f"search command: first row {cli[0]:.3f} s, complete {cli[1]:.3f} s")
        report("serve", single, cli, load_figures, arguments.clients)

        if arguments.index:
            url = arguments.index
            if url == "own":
                postgres = OwnPostgres()
                url = postgres.url
            subprocess.run([arguments.cli, "index", "--to", url, "-q", tree], check=True)
            cli_search(arguments.cli, cache, tree, arguments.keyword, url)  # warm the server
            index_runs = [cli_search(arguments.cli, cache, tree, arguments.keyword, url)
                          for _ in range(arguments.runs)]
            print(f"search --index: first row "
                  f"{statistics.median(run[0] for run in index_runs):.3f} s, complete "
                  f"{statistics.median(run[1] for run in index_runs):.3f} s")
            single, load_figures = measure_serve(arguments, ["--index", url], tree, folder)
            report("serve --index", single, cli, load_figures, arguments.clients)
    finally:
        if postgres:
            postgres.stop()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
