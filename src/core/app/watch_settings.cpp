#include "app/watch_settings.h"

#include <algorithm>

#include "alerts/watch_list.h"
#include "alerts/watched_calls.h"
#include "common/platform.h"
#include "sockets/socket_events.h"
#include "views/monitor_model.h"
#include "views/watch_list_model.h"

namespace dx {

namespace {
// Of the words refused, this many are named.
constexpr std::size_t kNamed = 8;

std::string joined(const std::vector<std::string>& words, const char* between, std::size_t most) {
    std::string text;
    for (std::size_t i = 0; i < words.size() && i < most; ++i) text += (i ? between : "") + words[i];
    if (words.size() > most) text += std::string(between) + "...";
    return text;
}

bool sameCall(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
        return up(x) == up(y);
    });
}
}  // namespace

std::vector<std::string> WatchSettings::patternsIn(const std::string& text,
                                                   std::vector<std::string>* refused) {
    std::vector<std::string> patterns;
    std::string word;
    const auto take = [&] {
        const std::size_t first = word.find_first_not_of(" \t");
        word.erase(0, first == std::string::npos ? word.size() : first);
        word.erase(word.find_last_not_of(" \t") + 1);
        if (word.empty()) return;
        if (!WatchList::isPattern(word)) {
            if (refused) refused->push_back(word.substr(0, WatchList::kLongest));
        } else if (std::none_of(patterns.begin(), patterns.end(),
                                [&](const std::string& p) { return sameCall(p, word); })) {
            patterns.push_back(word);
        }
        word.clear();
    };
    for (const char c : text) {
        if (c == '\n' || c == '\r' || c == ',')
            take();
        else
            word += c;
    }
    take();
    return patterns;
}

void WatchSettings::load() {
    if (!platform_.configKept()) return;
    std::optional<AlertSettings> read = platform_.readAlertSettings();
    if (!read) return;
    std::string all;
    for (const std::string& words : read->watchedCalls) all += words + "\n";
    std::vector<std::string> refused;
    read->watchedCalls = patternsIn(all, &refused);
    if (!refused.empty())
        monitor_.pane.append(
            "\r\n*** " + platform_.alertSettingsName() +
                ": left out of the watch list, not calls or patterns: " + joined(refused, ", ", kNamed),
            colours::kRed);
    use(std::move(*read));
}

void WatchSettings::use(AlertSettings settings) {
    settings_ = std::move(settings);
    list_.set(settings_.watchedCalls);
    const bool following = !list_.empty();
    if (following == following_) return;
    following_ = following;
    if (following) {
        // What it knew of the users' stays may be out of date by now.
        watched_.forget();
        events_.subscribe(watched_);
    } else {
        events_.unsubscribe(watched_);
    }
}

void WatchSettings::showSettings() {
    window_.patterns = joined(settings_.watchedCalls, "\n", settings_.watchedCalls.size());
    window_.desktopNotices = settings_.desktopNotices;
    ++window_.revision;
}

void WatchSettings::say(std::string message, bool failure) {
    window_.message = std::move(message);
    window_.messageIsFailure = failure;
}

void WatchSettings::open() {
    if (!window_.shown) {
        // The configurations of one directory share the file: what another monitor saved since
        // is what the operator edits, so that OK does not put back a list it has replaced. A list
        // that could not be saved holds as it is.
        if (!unsaved_) load();
        showSettings();
        say({}, false);
    }
    window_.shown = true;
    ++window_.frontRequests;
}

void WatchSettings::edited(std::string patterns) {
    window_.patterns = std::move(patterns);
}

void WatchSettings::desktopTicked(bool on) {
    window_.desktopNotices = on;
}

bool WatchSettings::apply() {
    std::vector<std::string> refused;
    std::vector<std::string> patterns = patternsIn(window_.patterns, &refused);
    if (!refused.empty()) {
        say("Not a call or a pattern (letters, digits, \"/\", \"-\" and \"*\"): " +
                joined(refused, ", ", kNamed),
            true);
        return false;
    }
    use(AlertSettings{std::move(patterns), window_.desktopNotices});
    showSettings();
    if (!platform_.configKept()) {
        say("Settings are not kept: the configuration is the null device.", false);
        return true;
    }
    if (const std::optional<std::string> why = platform_.writeAlertSettings(settings_)) {
        const std::string failure = platform_.alertSettingsName() + " could not be saved: " + *why;
        monitor_.pane.append("\r\n*** " + failure, colours::kRed);
        say(failure + ". The list holds until the program ends.", true);
        unsaved_ = true;
        return false;
    }
    unsaved_ = false;
    say("Saved in " + platform_.alertSettingsName() + ".", false);
    return true;
}

void WatchSettings::ok() {
    if (apply()) window_.shown = false;
}

void WatchSettings::cancel() {
    window_.shown = false;
}

}  // namespace dx
