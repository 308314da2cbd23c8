#include "classify/traffic.h"

#include "app/core.h"

namespace dx {

void Traffic::HandleTraffic(std::string& sentence) {
    // Before the first socket record a traffic line goes on as it came, head and all.
    if (core_.table.HiddenRowLimit == 0) return;
    (void)sentence;
}

std::string Traffic::TimeLinks(std::string& DataString) {
    if (DataString.empty()) return {};
    const std::size_t p = DataString.find('^', 1);
    std::string field;
    if (p != std::string::npos) {
        field = DataString.substr(0, p);
        DataString.erase(0, p);
    } else {
        field.swap(DataString);
    }
    core_.connects.txtTime.setText((field + "00000").substr(0, 7));
    return {};
}

void Traffic::KelCheck(float& UserVersion, std::int16_t& stream) {
    (void)UserVersion;
    (void)stream;
}

}  // namespace dx
