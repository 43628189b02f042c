#!/usr/bin/env python3
"""The search page's API under load, against the command line on the same tree.

usage: bench/serve_bench.py TREE [--cli PATH] [--clients 50] [--seconds 30]
                                 [--runs 7] [--keyword 排煙窓] [--max-searches N]

With a warm text cache (one search fills it, the next warms the page cache):
  1. `plotsieve-cli search -k KEYWORD TREE`: the time to its first row and to
     its end, median of RUNS runs;
  2. the same search through `serve` (/api/search, one client): the time to
     the first row line and to the summary, median of RUNS runs;
  3. CLIENTS clients at once, each searching for KEYWORD again and again for
     SECONDS (the server shares no work between searches, so the same
     keyword costs each search what it would alone): p50, p95 and p99 latency
     of a whole search and the searches completed per second.
Everything runs on loopback; the server is stopped at the end. Make the tree
with `python3 bench/make_tree.py TREE`.
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

def cli_search(cli, cache, tree, keyword):
    """(first row, end) of one command-line search, in seconds."""
    start = time.perf_counter()
    process = subprocess.Popen([cli, "search", "-q", "-k", keyword, "--cache", cache,
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
    def __init__(self, cli, cache, tree, max_searches, folder):
        self.log = open(os.path.join(folder, "serve.log"), "w+b")
        command = [cli, "serve", "--listen", "127.0.0.1:0", "--root", "tree=" + tree,
                   "--cache", cache, "--time-limit", "600"]
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


def load(port, clients, seconds, keyword):
    """Latencies of every search CLIENTS clients completed in SECONDS."""
    latencies = []
    failures = []
    lock = threading.Lock()
    stop_at = time.perf_counter() + seconds

    def client():
        connection = http.client.HTTPConnection("127.0.0.1", port, timeout=120)
        while time.perf_counter() < stop_at:
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

    threads = [threading.Thread(target=client) for _ in range(clients)]
    started = time.perf_counter()
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    return latencies, failures, time.perf_counter() - started


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("tree")
    parser.add_argument("--cli", default="build/cli/plotsieve-cli")
    parser.add_argument("--clients", type=int, default=50)
    parser.add_argument("--seconds", type=float, default=30)
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--keyword", default="排煙窓")
    parser.add_argument("--max-searches", type=int, default=0)
    arguments = parser.parse_args()
    tree = os.path.abspath(arguments.tree)
    folder = tempfile.mkdtemp(prefix="plotsieve-serve-bench-")
    cache = os.path.join(folder, "text-cache.sqlite")
    try:
        for _ in range(2):  # fill the cache, then warm the system's page cache
            cli_search(arguments.cli, cache, tree, arguments.keyword)

        cli_runs = [cli_search(arguments.cli, cache, tree, arguments.keyword)
                    for _ in range(arguments.runs)]
        cli_first = statistics.median(run[0] for run in cli_runs)
        cli_end = statistics.median(run[1] for run in cli_runs)

        server = Serve(arguments.cli, cache, tree, arguments.max_searches, folder)
        try:
            connection = http.client.HTTPConnection("127.0.0.1", server.port, timeout=120)
            api_search(connection, arguments.keyword)  # each session opens its cache once
            api_runs = [api_search(connection, arguments.keyword) for _ in range(arguments.runs)]
            connection.close()
            api_first = statistics.median(run[0] for run in api_runs)
            api_end = statistics.median(run[1] for run in api_runs)
            rows = api_runs[0][2]

            latencies, failures, elapsed = load(server.port, arguments.clients, arguments.seconds,
                                               arguments.keyword)
        finally:
            server.stop()

        print(f"tree {tree}: keyword {arguments.keyword}, {rows} rows; median of {arguments.runs}")
        print(f"search command: first row {cli_first:.3f} s, complete {cli_end:.3f} s")
        print(f"serve, 1 client: first row {api_first:.3f} s ({api_first / cli_first:.2f}x), "
              f"complete {api_end:.3f} s ({api_end / cli_end:.2f}x)")
        if latencies:
            print(f"serve, {arguments.clients} clients for {elapsed:.1f} s: "
                  f"{len(latencies)} searches, {len(latencies) / elapsed:.1f} per second; "
                  f"latency p50 {percentile(latencies, 0.50):.3f} s, "
                  f"p95 {percentile(latencies, 0.95):.3f} s, "
                  f"p99 {percentile(latencies, 0.99):.3f} s, max {max(latencies):.3f} s")
        if failures:
            print(f"{len(failures)} searches failed, first: {failures[0]}")
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
