#include "common/program_data.h"

#include <memory>

namespace {
std::unique_ptr<ProgramData>& instance()
{
    static std::unique_ptr<ProgramData> data = std::make_unique<ProgramData>();
    return data;
}
} // namespace

ProgramData& Program()
{
    return *instance();
}

void ResetProgramData()
{
    instance() = std::make_unique<ProgramData>();
}
