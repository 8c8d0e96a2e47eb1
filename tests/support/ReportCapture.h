// Records error reports and fatal errors instead of showing boxes or ending the test program.
#pragma once

#include <string>
#include <vector>

#include "platform/ErrorReport.h"

namespace testsupport {

class ReportCapture {
  public:
    ReportCapture() {
        previousReport_ =
            platform::SetReportHandler([this](const std::string& caption, const std::string& text) {
                reports.push_back(caption + ": " + text);
            });
        previousFatal_ =
            platform::SetFatalHandler([this](const std::string& text) { fatals.push_back(text); });
    }
    ~ReportCapture() {
        platform::SetReportHandler(std::move(previousReport_));
        platform::SetFatalHandler(std::move(previousFatal_));
    }
    ReportCapture(const ReportCapture&) = delete;
    ReportCapture& operator=(const ReportCapture&) = delete;

    std::vector<std::string> reports;  // "caption: text"
    std::vector<std::string> fatals;   // texts of FatalError

  private:
    platform::ReportHandler previousReport_;
    platform::FatalHandler previousFatal_;
};

}  // namespace testsupport
