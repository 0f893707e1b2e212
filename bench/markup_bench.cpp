// Builds a request-sized document element by element and reads an answer-sized one
// back, as a scan does with its request and the service's driver list.
// Run: wine markup_bench.exe [devices] [runs]

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "foundation/markup.h"

namespace {

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& frequency) {
    return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

constexpr const wchar_t* kFields[] = {L"Name",   L"HardwareId", L"Provider", L"Version", L"Date",  L"InfPath",
                                      L"Class",  L"Service",    L"Signer",   L"Status",  L"Rank",  L"Key"};

std::wstring BuildDocument(int devices) {
    CMarkup markup;
    markup.AddElem(L"DriverList");
    for (int d = 0; d < devices; ++d) {
        markup.AddChildElem(L"Driver");
        markup.IntoElem();
        for (const wchar_t* field : kFields) {
            markup.AddChildElem(field, std::wstring(field) + L" of device " + std::to_wstring(d) +
                                           L" \u00e4 <&> PCI\\VEN_8086&DEV_1234");
        }
        markup.OutOfElem();
    }
    return markup.GetDoc();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int devices = argc > 1 ? _wtoi(argv[1]) : 2000;
    const int runs = argc > 2 ? _wtoi(argv[2]) : 3;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);

    for (int run = 0; run < runs; ++run) {
        LARGE_INTEGER start, built, parsed, read;
        QueryPerformanceCounter(&start);
        const std::wstring doc = BuildDocument(devices);
        QueryPerformanceCounter(&built);

        CMarkup markup;
        const bool ok = markup.SetDoc(doc);
        QueryPerformanceCounter(&parsed);
        size_t characters = 0;
        markup.FindElem();
        while (markup.FindChildElem()) {
            markup.IntoElem();
            while (markup.FindChildElem()) characters += markup.GetChildData().size();
            markup.OutOfElem();
        }
        QueryPerformanceCounter(&read);

        std::wprintf(L"%d devices, %zu KiB: build %.1f ms, parse %.1f ms (%ls), read %.1f ms (%zu chars)\n", devices,
                     doc.size() * 2 / 1024, Milliseconds(start, built, frequency),
                     Milliseconds(built, parsed, frequency), ok ? L"ok" : L"failed",
                     Milliseconds(parsed, read, frequency), characters);
    }
    return 0;
}
