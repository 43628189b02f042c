#!/usr/bin/env python3
"""The search page in a real browser: headless Chromium driven by Selenium.

Starts `plotsieve-cli serve` over the samples on a free loopback port, loads
the page, searches, reads the rows and the count, sorts by a header, narrows,
downloads a drawing and compares its bytes with the file. Exits 77 (skipped)
with a message when Chromium, its driver or Selenium is missing.

usage: browser_test.py PLOTSIEVE_CLI SAMPLES [--screenshot FILE]
"""
import argparse
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.parse
import urllib.request

SKIP = 77
CHROMIUM = shutil.which("chromium") or shutil.which("chromium-browser")
DRIVER = shutil.which("chromedriver") or (
    "/usr/bin/chromedriver" if os.path.exists("/usr/bin/chromedriver") else None)

KEYWORD = "平面図|配置図"
NARROW = "1階"
TIMEOUT = 60


def skip(reason):
    print(f"browser test skipped: {reason}")
    sys.exit(SKIP)


try:
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.by import By
    from selenium.webdriver.support.ui import WebDriverWait
except ImportError:
    skip("python3-selenium is not installed")
if not CHROMIUM or not DRIVER:
    skip("chromium and chromium-driver are not installed")


class Server:
    """plotsieve-cli serve on a free loopback port, stopped with the object."""

    def __init__(self, cli, samples, folder):
        self.log = open(os.path.join(folder, "serve.log"), "w+b")
        self.process = subprocess.Popen(
            [cli, "serve", "--listen", "127.0.0.1:0",
             "--root", f"samples={samples}=\\\\server\\samples",
             "--cache", os.path.join(folder, "cache.sqlite")],
            stderr=self.log, stdin=subprocess.DEVNULL,
            env=dict(os.environ, TZ="JST-9", LC_ALL="C.UTF-8"))
        deadline = time.time() + 20
        while time.time() < deadline:
            self.log.seek(0)
            found = re.search(rb"http://127\.0\.0\.1:(\d+)/", self.log.read())
            if found:
                self.url = f"http://127.0.0.1:{found.group(1).decode()}/"
                return
            if self.process.poll() is not None:
                break
            time.sleep(0.05)
        self.stop()
        self.log.seek(0)
        raise RuntimeError("the server did not start: " + self.log.read().decode())

    def api(self, path, **parameters):
        query = urllib.parse.urlencode(parameters, doseq=True)
        with urllib.request.urlopen(self.url + path + "?" + query, timeout=TIMEOUT) as response:
            return response.read()

    def search(self, **parameters):
        lines = [json.loads(line) for line in self.api("api/search", **parameters).splitlines()]
        return lines[:-1], lines[-1]

    def stop(self):
        self.process.terminate()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
        self.log.close()


def open_browser(folder):
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for flag in ["--headless=new", "--no-sandbox", "--disable-gpu",
                 "--disable-background-networking", "--disable-component-update",
                 "--disable-sync", "--no-first-run", "--disable-dev-shm-usage",
                 "--window-size=1280,860", "--lang=ja",
                 "--user-data-dir=" + os.path.join(folder, "profile")]:
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    downloads = os.path.join(folder, "downloads")
    os.makedirs(downloads)
    options.add_experimental_option("prefs", {
        "download.default_directory": downloads,
        "download.prompt_for_download": False,
    })
    driver = webdriver.Chrome(service=Service(DRIVER), options=options)
    driver.execute_cdp_cmd("Browser.setDownloadBehavior",
                           {"behavior": "allow", "downloadPath": downloads})
    return driver, downloads


def check(condition, what):
    if not condition:
        raise AssertionError(what)


def wait_for_end(driver):
    """Waits for the status line to give the final count; returns it."""
    WebDriverWait(driver, TIMEOUT).until(
        lambda d: "searching" not in d.find_element(By.TAG_NAME, "body").get_attribute("class")
        and d.find_element(By.ID, "status").text.endswith("枚見つかりました"))
    status = driver.find_element(By.ID, "status").text
    return int(re.match(r"(\d+) 枚見つかりました", status).group(1))


def shown_paths(driver):
    return [row.get_attribute("data-path")
            for row in driver.find_elements(By.CSS_SELECTOR, "#rows tr")]


def run(cli, samples, screenshot):
    folder = tempfile.mkdtemp(prefix="plotsieve-browser-")
    server = Server(cli, samples, folder)
    driver = None
    try:
        driver, downloads = open_browser(folder)
        driver.get(server.url)
        WebDriverWait(driver, TIMEOUT).until(
            lambda d: "ready" in d.find_element(By.TAG_NAME, "body").get_attribute("class"))

        # A search: the rows and the count, in the order the API gives them.
        keyword = driver.find_element(By.ID, "keyword")
        keyword.send_keys(KEYWORD)
        driver.find_element(By.ID, "start").click()
        count = wait_for_end(driver)
        rows, summary = server.search(keyword=KEYWORD)
        check(count == summary["count"] == len(rows) > 1, f"count {count} vs {summary}")
        check(shown_paths(driver) == [row["path"] for row in rows], "rows in the API's order")
        check("keyword=" in driver.current_url, "the criteria are in the address")
        if screenshot:
            driver.save_screenshot(screenshot)

        # A click on the size header sorts by size, a second click reverses.
        size_of = {row["path"]: row["bytes"] for row in rows}
        header = driver.find_element(By.CSS_SELECTOR, "th.col-size button")
        header.click()
        sizes = [size_of[path] for path in shown_paths(driver)]
        check(sizes == sorted(sizes), f"ascending sizes {sizes}")
        header.click()
        sizes = [size_of[path] for path in shown_paths(driver)]
        check(sizes == sorted(sizes, reverse=True), f"descending sizes {sizes}")
        check(driver.find_element(By.CSS_SELECTOR, "th.col-size").get_attribute("aria-sort")
              == "descending", "the header shows the order")

        # Narrowing: the hits that also hold the second keyword.
        driver.find_element(By.ID, "narrow").click()
        check(not driver.find_element(By.ID, "root").is_enabled(), "the place is locked")
        keyword.clear()
        keyword.send_keys(NARROW)
        driver.find_element(By.ID, "start").click()
        narrowed = wait_for_end(driver)
        narrow_rows, _ = server.search(keyword=KEYWORD, **{"and": NARROW})
        check(0 < narrowed == len(narrow_rows) < count, f"narrowed {narrowed} of {count}")
        check(sorted(shown_paths(driver)) == sorted(row["path"] for row in narrow_rows),
              "the narrowed rows")
        check(not driver.find_element(By.ID, "narrow").is_selected(),
              "a completed search ends narrowing")

        # A download: the drawing's own bytes under its own name.
        first = driver.find_element(By.CSS_SELECTOR, "#rows tr")
        path = first.get_attribute("data-path")
        first.find_element(By.CSS_SELECTOR, "a.download").click()
        target = os.path.join(downloads, os.path.basename(path))
        deadline = time.time() + TIMEOUT
        while time.time() < deadline and not os.path.exists(target):
            time.sleep(0.1)
        check(os.path.exists(target), f"downloaded {target}: {os.listdir(downloads)}")
        with open(target, "rb") as got, open(os.path.join(samples, path), "rb") as want:
            check(got.read() == want.read(), "the downloaded bytes")

        # Nothing the page asked for was refused (a script, a style, the
        # content security policy).
        severe = [entry for entry in driver.get_log("browser") if entry["level"] == "SEVERE"]
        check(not severe, f"browser errors: {severe}")
        print(f"browser test passed: {count} rows, {narrowed} after narrowing, "
              f"downloaded {path}")
    finally:
        if driver:
            driver.quit()
        server.stop()
        shutil.rmtree(folder, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("cli")
    parser.add_argument("samples")
    parser.add_argument("--screenshot")
    arguments = parser.parse_args()
    try:
        run(arguments.cli, os.path.abspath(arguments.samples), arguments.screenshot)
    except AssertionError as failure:
        print(f"browser test failed: {failure}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
