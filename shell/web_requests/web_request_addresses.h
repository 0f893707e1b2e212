#pragma once

#include <string>

// Where the update check and the sign-up go. Every address may be changed under the
// current user's product key ("ProgramUpdateAddress", "ProgramDownloadPage",
// "DriverAlertSignupAddress", "DriverAlertConfirmAddress"), which is how a local
// stand-in of the maker's site is put in their place.
struct WebRequestAddresses {
    std::wstring programUpdate;   // the version file; "ver" (and "prd") are appended as a query
    std::wstring downloadPage;    // where a user goes when a setup cannot be run
    std::wstring signup;          // holds "<email>"
    std::wstring signupConfirm;   // holds "<pid>", "<uid>", "<macid>", "<osid>", "<appver>"
};

WebRequestAddresses DefaultWebRequestAddresses();
WebRequestAddresses LoadWebRequestAddresses();

// The text as UTF-8 with every byte outside the unreserved characters of an address
// (letters, digits, "-", ".", "_", "~") written as "%XX".
std::wstring PercentEncodeUtf8(const std::wstring& text);

// Replaces every `placeholder` by `value`, percent-encoded.
void ReplacePlaceholder(std::wstring& address, const std::wstring& placeholder, const std::wstring& value);
