#include "app/desktop_open.h"

#include <gio/gio.h>
#include <wx/app.h>
#include <wx/process.h>
#include <wx/utils.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "app/display_text.h"
#include "app/message_box.h"
#include "platform/file_status.h"
#include "results/file_list.h"

namespace {

constexpr const char* kOpener = "xdg-open";

OpenHook& Hook() {
    static OpenHook hook;
    return hook;
}

void ShowOpenFailure(const std::string& path, int status) {
    ShowMessage(wxTheApp != nullptr ? wxTheApp->GetTopWindow() : nullptr,
                wxString::FromUTF8(OpenFailureMessage(path, status)));
}

// The opener's full path from PATH, or empty.
std::string FindOpener() {
    const char* searchPath = std::getenv("PATH");
    std::string_view folders = searchPath != nullptr ? searchPath : "/usr/bin:/bin";
    while (true) {
        size_t colon = folders.find(':');
        std::string folder(folders.substr(0, colon));
        if (folder.empty()) folder = ".";
        std::string candidate = folder + "/" + kOpener;
        ReadResult<FileStatus> status = ReadFileStatus(candidate);
        if (status && !status->isFolder) return candidate;
        if (colon == std::string_view::npos) return {};
        folders.remove_prefix(colon + 1);
    }
}

// Watches one opener and reports its failure when it ends.
class OpenerProcess : public wxProcess {
  public:
    explicit OpenerProcess(std::string path) : m_path(std::move(path)) {}

    void OnTerminate(int, int status) override {
        // The toolkit reports a program it could not start as status 255.
        if (status != 0) ShowOpenFailure(m_path, status == 255 ? kOpenerNotRun : status);
        delete this;
    }

  private:
    std::string m_path;
};

}  // namespace

std::string OpenFailureMessage(const std::string& path, int status) {
    std::string message = "「" + DisplayPath(path) + "」を開けませんでした。\n";
    switch (status) {
        case kOpenerNotRun:
            return message +
                   "既定のプログラムで開くための xdg-open が見つかりません。"
                   "xdg-utils をインストールしてください。";
        case 2:
            return message + "ファイルが見つかりません。";
        case 3:
            return message + "この種類のファイルを開くプログラムが登録されていません。";
        default:
            return message + "開くプログラムを起動できませんでした (xdg-open の終了コード " +
                   std::to_string(status) + ")。";
    }
}

bool OpenWithDesktop(const std::string& path) {
    if (Hook()) {
        Hook()(path);
        return true;
    }
    std::string opener = FindOpener();
    if (opener.empty()) {
        ShowOpenFailure(path, kOpenerNotRun);
        return false;
    }
    // The bytes go to the opener as they are: a name that is not UTF-8 opens
    // too. A relative path would be taken for an option if it began with "-".
    std::string argument = path.empty() || path[0] == '/' ? path : "./" + path;
    std::vector<char*> argv = {opener.data(), argument.data(), nullptr};
    auto* process = new OpenerProcess(path);
    if (wxExecute(argv.data(), wxEXEC_ASYNC, process) <= 0) {
        delete process;
        ShowOpenFailure(path, kOpenerNotRun);
        return false;
    }
    return true;
}

void SetOpenHook(OpenHook hook) { Hook() = std::move(hook); }

std::vector<std::string> FoldersOf(const std::vector<std::string>& files) {
    std::vector<std::string> folders;
    for (const std::string& file : files) {
        const size_t slash = file.rfind('/');
        std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : file.substr(0, slash);
        if (std::find(folders.begin(), folders.end(), folder) == folders.end()) {
            folders.push_back(folder);
        }
    }
    return folders;
}

namespace {

void OpenFolders(const std::vector<std::string>& files) {
    for (const std::string& folder : FoldersOf(files)) {
        if (!OpenWithDesktop(folder)) break;
    }
}

// What the file manager's answer is waited for with.
struct ShowItemsCall {
    std::vector<std::string> files;
};

void OnShowItemsDone(GObject* source, GAsyncResult* result, gpointer data) {
    std::unique_ptr<ShowItemsCall> call(static_cast<ShowItemsCall*>(data));
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    if (reply != nullptr) {
        g_variant_unref(reply);
        return;
    }
    // No file manager answered: the folders open the plain way.
    g_clear_error(&error);
    OpenFolders(call->files);
}

}  // namespace

void ShowInFileManager(const std::vector<std::string>& files) {
    if (files.empty()) return;
    if (Hook()) {
        OpenFolders(files);
        return;
    }
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (bus == nullptr) {
        OpenFolders(files);
        return;
    }
    GVariantBuilder uris;
    g_variant_builder_init(&uris, G_VARIANT_TYPE("as"));
    for (const std::string& file : files) {
        std::string uri = FileUri(file);
        g_variant_builder_add(&uris, "s", uri.c_str());
    }
    // The call is asynchronous: the window does not wait for the file
    // manager to start.
    g_dbus_connection_call(bus, "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                           "org.freedesktop.FileManager1", "ShowItems",
                           g_variant_new("(ass)", &uris, ""), nullptr, G_DBUS_CALL_FLAGS_NONE, 5000,
                           nullptr, OnShowItemsDone, new ShowItemsCall{files});
    g_object_unref(bus);
}
