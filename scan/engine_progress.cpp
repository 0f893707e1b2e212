#include "scan/engine_progress.h"

namespace {

class SilentProgress final : public EngineProgress {
public:
    void ShowPercent(int) override {}
    void ShowDevice(const std::wstring&, const std::wstring&, int, int) override {}
    void ShowStatus(const std::wstring&) override {}
};

}  // namespace

EngineProgress& NoEngineProgress() {
    static SilentProgress silent;
    return silent;
}
