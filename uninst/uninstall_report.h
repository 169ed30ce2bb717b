// The uninstall report to the statistics service: one POST to
// "/app/count/uninstall/" with the form body "info=" + Base64 of a small
// JSON object, sent on a thread of its own.
#pragma once

#include <windows.h>

#include <string>

namespace tavrin::uninst {

// The JSON text: {"b":"vensa","channel":...,"mac":...,"version":...} and a
// line feed; values converted to UTF-8, characters beyond ASCII written as
// "\uXXXX" escapes.
std::string BuildUninstallReportJson(const std::wstring& version, const std::wstring& channel,
                                     const std::wstring& machineId);

// "info=" + Base64 of the JSON text, not percent-encoded.
std::string BuildUninstallReportBody(const std::wstring& version, const std::wstring& channel,
                                     const std::wstring& machineId);

// "http://<service host>/app/count/uninstall/".
std::string UninstallReportUrl();

// Starts the report and returns its request id (-1 when no thread could be
// started). `notifyWindow` receives WM_HTTP_DONE when the request ends.
int SendUninstallReport(HWND notifyWindow, const std::wstring& version, const std::wstring& channel,
                        const std::wstring& machineId);

}  // namespace tavrin::uninst
