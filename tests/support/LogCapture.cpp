#include "support/LogCapture.h"

#include <android/log.h>

#include <algorithm>
#include <mutex>

namespace TestSupport {

namespace {

std::mutex g_mutex;
std::vector<LogRecord> g_records;

void CaptureRecord(const struct __android_logger_data* pData, const char* szMessage) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_records.push_back({pData->priority, pData->tag != nullptr ? pData->tag : "",
                         szMessage != nullptr ? szMessage : ""});
}

}  // namespace

LogCapture::LogCapture() {
    Clear();
    __android_log_set_minimum_priority(ANDROID_LOG_VERBOSE);
    __android_log_set_logger(CaptureRecord);
}

LogCapture::~LogCapture() {
    __android_log_set_logger(__android_log_stderr_logger);
    __android_log_set_minimum_priority(ANDROID_LOG_DEFAULT);
}

std::vector<LogRecord> LogCapture::Records() const {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_records;
}

std::vector<std::string> LogCapture::Messages() const {
    std::vector<std::string> messages;
    for (const LogRecord& record : Records()) {
        messages.push_back(record.strMessage);
    }
    return messages;
}

std::vector<std::string> LogCapture::Messages(int nPriority) const {
    std::vector<std::string> messages;
    for (const LogRecord& record : Records()) {
        if (record.nPriority == nPriority) {
            messages.push_back(record.strMessage);
        }
    }
    return messages;
}

bool LogCapture::Contains(const std::string& strMessage) const {
    std::vector<std::string> messages = Messages();
    return std::find(messages.begin(), messages.end(), strMessage) != messages.end();
}

void LogCapture::Clear() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_records.clear();
}

}  // namespace TestSupport
