#pragma once

#include <string>

#include "scan/scan_request_facts.h"

// What the user entered on the feedback form.
struct FeedbackFields {
    std::wstring email;
    int category = 0;  // 0 is the prompt, not a choice
    std::wstring categoryText;
    std::wstring text;
};

// What the document takes from the program and the machine.
struct FeedbackSources {
    ScanRequestFacts facts;
    // The last scan request document, whose devices the feedback lists.
    std::wstring lastScanRequest;
    // The program file whose fixed version goes in.
    std::wstring programPath;
};

namespace FeedbackResult {
inline constexpr int kBuilt = 1;
inline constexpr int kNoText = 0;  // also any failure while building
inline constexpr int kNoEmail = -1;
inline constexpr int kNoCategory = -2;
inline constexpr int kInvalidEmail = -5;
}  // namespace FeedbackResult

// 1 for a usable address, -1 for none, -5 for an invalid one: the "@" after the
// first and before the last character, and the address kept whole (nothing lost,
// at most 259 bytes) in the thread's ANSI code page for the syntax check.
int CheckFeedbackEmail(const std::wstring& email);

// The feedback document (root "sf_feedback") with the fields, the system facts, the
// program version, the request elements and the devices of the last scan request.
int BuildFeedbackDocumentText(const FeedbackFields& fields, const FeedbackSources& sources, std::wstring& document);
