#include "tests/index/pg_server.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

namespace {

// The newest PostgreSQL's programs.
std::string FindPostgresBin() {
    std::string best;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", error)) {
        std::filesystem::path bin = entry.path() / "bin";
        if (std::filesystem::exists(bin / "initdb") && bin.string() > best) best = bin.string();
    }
    return best;
}

int FreePort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    close(fd);
    return port;
}

// A folder for the server's own: the system's temporary folder, or, where the
// server's user cannot reach into that (a temporary folder of mode 0700),
// another that it can.
std::filesystem::path ServerBase() {
    std::vector<std::filesystem::path> bases{std::filesystem::temp_directory_path(), "/var/tmp",
                                             "/dev/shm"};
    if (geteuid() != 0) return bases.front();
    for (const std::filesystem::path& base : bases) {
        std::string reach = "setpriv --reuid=nobody --regid=nogroup --clear-groups test -x '" +
                            base.string() + "' 2>/dev/null";
        if (std::system(reach.c_str()) == 0) return base;
    }
    return bases.front();
}

std::unique_ptr<TestPgServer> g_server;
bool g_tried = false;

}  // namespace

TestPgServer* TestPgServer::Shared() {
    if (!g_tried) {
        g_tried = true;
        std::unique_ptr<TestPgServer> server(new TestPgServer());
        if (server->Create() && server->Start()) {
            g_server = std::move(server);
            std::atexit([] { g_server.reset(); });
        }
    }
    EXPECT_NE(g_server, nullptr) << "no PostgreSQL server could be started for the test";
    return g_server.get();
}

std::string TestPgServer::AsServerUser(const std::string& command) const {
    std::string environment = "env LC_ALL=C.UTF-8 ";
    if (geteuid() != 0) return environment + command;
    return "setpriv --reuid=nobody --regid=nogroup --clear-groups " + environment + command;
}

bool TestPgServer::Create() {
    m_bin = FindPostgresBin();
    if (m_bin.empty()) {
        ADD_FAILURE() << "PostgreSQL is not installed (Debian's postgresql package)";
        return false;
    }
    std::string pattern = (ServerBase() / "plotsieve-pg-XXXXXX");
    if (mkdtemp(pattern.data()) == nullptr) return false;
    m_folder = pattern;
    // Others reach the socket; data/ stays the server's own.
    chmod(m_folder.c_str(), 0755);
    if (geteuid() == 0 &&
        std::system(("chown nobody:nogroup '" + m_folder.string() + "'").c_str()) != 0) {
        return false;
    }
    m_port = FreePort();
    std::string initdb = AsServerUser(m_bin + "/initdb -D '" + (m_folder / "data").string() +
                                      "' -U postgres -A trust -E UTF8 --locale=C.UTF-8 "
                                      "--no-sync >'" +
                                      (m_folder / "initdb.log").string() + "' 2>&1");
    if (std::system(initdb.c_str()) != 0) {
        ADD_FAILURE() << "initdb failed; see " << (m_folder / "initdb.log");
        return false;
    }
    return true;
}

bool TestPgServer::Start() {
    // Another program may take the free port first: a few tries.
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (attempt > 0) m_port = FreePort();
        if (StartOnce()) return true;
    }
    ADD_FAILURE() << "pg_ctl start failed; see " << (m_folder / "server.log");
    return false;
}

bool TestPgServer::StartOnce() {
    std::string options = "-k '" + m_folder.string() + "' -p " + std::to_string(m_port) +
                          " -c listen_addresses=127.0.0.1 -c fsync=off -c full_page_writes=off"
                          " -c synchronous_commit=off";
    std::string command = AsServerUser(
        m_bin + "/pg_ctl -w -t 120 -D '" + (m_folder / "data").string() + "' -l '" +
        (m_folder / "server.log").string() + "' -o \"" + options + "\" start >/dev/null 2>&1");
    m_running = std::system(command.c_str()) == 0;
    return m_running;
}

bool TestPgServer::Stop() {
    if (!m_running) return true;
    std::string command = AsServerUser(m_bin + "/pg_ctl -w -t 120 -m fast -D '" +
                                       (m_folder / "data").string() + "' stop >/dev/null 2>&1");
    m_running = std::system(command.c_str()) != 0;
    return !m_running;
}

TestPgServer::~TestPgServer() {
    Stop();
    std::error_code error;
    std::filesystem::remove_all(m_folder, error);
}

std::string TestPgServer::Target(const std::string& database, const std::string& user) const {
    return "host=" + m_folder.string() + " port=" + std::to_string(m_port) + " dbname=" + database +
           " user=" + user;
}

std::string TestPgServer::Uri(const std::string& database, const std::string& user) const {
    return "postgresql://" + user + "@127.0.0.1:" + std::to_string(m_port) + "/" + database;
}

std::string TestPgServer::NewDatabase() {
    std::string name = "plotsieve_test_" + std::to_string(++m_databases);
    Run("CREATE DATABASE " + name + " TEMPLATE template0 ENCODING 'UTF8' LOCALE 'C.UTF-8'");
    return Target(name);
}

bool TestPgServer::Run(const std::string& sql, const std::string& database) const {
    PGconn* connection = PQconnectdb(Target(database).c_str());
    bool done = false;
    if (PQstatus(connection) == CONNECTION_OK) {
        PGresult* result = PQexec(connection, sql.c_str());
        ExecStatusType status = PQresultStatus(result);
        done = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
        if (!done) ADD_FAILURE() << sql << ": " << PQresultErrorMessage(result);
        PQclear(result);
    } else {
        ADD_FAILURE() << PQerrorMessage(connection);
    }
    PQfinish(connection);
    return done;
}
