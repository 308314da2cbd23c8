#pragma once
#include <optional>
#include <string>
#include <vector>

#include "common/alert_settings.h"

namespace dx {
struct MonitorModel;
class Platform;
class SocketEvents;
class WatchList;
class WatchedCalls;
struct WatchListModel;

// The watch list and the desktop's notifications as the operator set them: read at start from
// their file beside the configuration, edited in the watch-list window, applied at once and saved.
// The watched calls follow the users' comings and goings only while the list names any, so an
// empty list costs the node's stream nothing.
class WatchSettings {
  public:
    WatchSettings(AlertSettings& settings, WatchList& list, WatchedCalls& watched, SocketEvents& events,
                  Platform& platform, MonitorModel& monitor, WatchListModel& window)
        : settings_(settings),
          list_(list),
          watched_(watched),
          events_(events),
          platform_(platform),
          monitor_(monitor),
          window_(window) {}

    // The settings from their file, if there is one and the configuration keeps anything. What is
    // not a call or a pattern is left out and said in the pane.
    void load();

    // The window's commands. OK is Apply and then, if what was typed was taken and saved, the
    // window put away; Cancel puts it away and forgets what was typed.
    void open();
    void edited(std::string patterns);
    void desktopTicked(bool on);
    // Answers false when the list had a line that is not a pattern (nothing is applied), or when
    // the file could not be saved (the new settings hold until the program ends).
    bool apply();
    void ok();
    void cancel();

    // The patterns in a text: one a line (commas also part them), blanks around them dropped, and
    // each once. `refused` gets what is not a pattern.
    static std::vector<std::string> patternsIn(const std::string& text, std::vector<std::string>* refused);

  private:
    void use(AlertSettings settings);
    void showSettings();
    void say(std::string message, bool failure);

    AlertSettings& settings_;
    WatchList& list_;
    WatchedCalls& watched_;
    SocketEvents& events_;
    Platform& platform_;
    MonitorModel& monitor_;
    WatchListModel& window_;
    bool unsaved_ = false;    // the last save failed: the list in use is not the file's
    bool following_ = false;  // the watched calls are subscribed to the users' comings and goings
};

}  // namespace dx
