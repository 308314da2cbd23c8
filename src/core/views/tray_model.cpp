#include "views/tray_model.h"

namespace dx {

std::string trayToolTip(const TrayModel& tray) {
    std::string text = "dxmonitor: node " + tray.node() + "\n";
    switch (tray.state()) {
        case LinkState::Down:
            // The users are not known without a link.
            return text + "Link down";
        case LinkState::Silent:
            text += "Link up, but the node has sent nothing for about six minutes\nLast counted: ";
            break;
        case LinkState::Up:
            text += "Link up\n";
            break;
    }
    const HeaderCounts& n = tray.users();
    text += "Users " + std::to_string(n.users()) + ": Yes (KEL) " + std::to_string(n.kel()) + ", latest " +
            std::to_string(n.kelLatest) + ", older " + std::to_string(n.kelOther - n.kelUnknown) +
            ", unknown " + std::to_string(n.kelUnknown) + "\nNo (without KEL) " + std::to_string(n.nonKel) +
            ", Node " + std::to_string(n.node) + ", Unk " + std::to_string(n.unclassified) + ", nocall " +
            std::to_string(n.noCall);
    return text;
}

}  // namespace dx
