#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "search/front_end.h"

// A front end that records every report, as one text per event, in order.
class RecordingFrontEnd : public SearchFrontEnd {
  public:
    std::string keyword;
    std::atomic<bool> subfolders{true};
    DateCriterion date;
    SizeCriterion size;
    // Called after each report, on the worker thread (to stop a search at a
    // chosen moment, say).
    std::function<void(const std::string&)> onEvent;

    std::string KeywordText() override { return keyword; }
    bool IncludeSubfolders() override { return subfolders.load(); }
    DateCriterion DateLimits() override { return date; }
    SizeCriterion SizeLimits() override { return size; }

    void PostStatus(const SearchStatus& status) override {
        Record("status " + std::to_string(status.code) + " " + status.text);
    }
    void LoadTypeIcon(int slot, const std::string& path) override {
        Record("icon " + std::to_string(slot) + " " + path);
    }
    void AddResultRow(ResultRecord record, int slot) override {
        rows.push_back(record);
        Record("row " + std::to_string(slot) + " " + record.fullPath);
    }
    void EndNarrowingMode() override { Record("end narrowing"); }
    void ReportNotice(const std::string& text) override { Record("notice " + text); }
    void ReportSkipped(const std::string& path, const std::string& reason) override {
        Record("skipped " + path + ": " + reason);
    }
    void SearchEnded() override { Record("ended"); }

    std::vector<std::string> events;
    std::vector<ResultRecord> rows;

    // The events of one kind ("row", "status", "icon"), without the kind.
    std::vector<std::string> Only(const std::string& kind) const {
        std::vector<std::string> out;
        for (const std::string& event : events) {
            if (event.rfind(kind + " ", 0) == 0) out.push_back(event.substr(kind.size() + 1));
        }
        return out;
    }

  private:
    void Record(std::string event) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            events.push_back(event);
        }
        if (onEvent) onEvent(event);
    }
    std::mutex m_mutex;
};
