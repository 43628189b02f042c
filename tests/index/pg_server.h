#pragma once

#include <filesystem>
#include <string>

// A PostgreSQL server of the test program's own, as the office index's
// tests need a real one: initdb into a temporary folder (UTF-8, C.UTF-8
// locale, trust authentication), started with pg_ctl on a Unix socket in that
// folder and on 127.0.0.1 at a free port, stopped and removed when the
// program ends. Run by root, the server runs as the unprivileged user
// "nobody". The programs come from Debian's postgresql package
// (/usr/lib/postgresql/<version>/bin).
class TestPgServer {
  public:
    // The program's server, started on first use. Fails the test (and gives
    // nullptr) when it cannot be started.
    static TestPgServer* Shared();

    ~TestPgServer();

    // A connection string for `database` as `user` over the Unix socket.
    std::string Target(const std::string& database, const std::string& user = "postgres") const;
    // The same over TCP, as a URI.
    std::string Uri(const std::string& database, const std::string& user = "postgres") const;

    // A new, empty database (UTF8, C.UTF-8); its connection string.
    std::string NewDatabase();

    // Runs SQL as the superuser in `database`; false (with the error added to
    // the test's failures) when it fails.
    bool Run(const std::string& sql, const std::string& database = "postgres") const;

    // Stops and starts the server again (a server that is down).
    bool Stop();
    bool Start();

    int Port() const { return m_port; }

  private:
    TestPgServer() = default;
    bool Create();
    bool StartOnce();
    std::string AsServerUser(const std::string& command) const;

    std::filesystem::path m_folder;  // the socket's folder, holding data/ and the log
    std::string m_bin;
    int m_port = 0;
    int m_databases = 0;
    bool m_running = false;
};
