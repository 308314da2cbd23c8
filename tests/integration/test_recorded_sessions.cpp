// Recorded node sessions (tests/data/*.rec, made with `nodesim --record`) played into the whole
// program over a loopback link: the node's chunks in their recorded order and boundaries, the part
// after the program's "B" only once the program has sent its own "B". Afterwards everything that
// must hold after any session is checked: the program is still running and linked, the pane is
// bounded and its view shows the same text, every socket record has its row with the texts the
// node sent last, the header counters agree with each other and with a recount, the node type is
// recognised, and the program sent only well-formed commands, none it did not send when the
// session was recorded.
#include <gtest/gtest.h>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "history_location.h"
#include "loopback_node.h"
#include "postgres_server.h"
#include "presence_tally.h"

namespace dx::test {
namespace {

constexpr char kEot = '\x04';

// ---- The recording file (format: tools/nodesim/RECORDING.md) ----

struct Chunk {
    long long ms = 0;
    char direction = 'N';  // 'N' node to monitor, 'M' monitor to node
    std::string bytes;
};

struct Recording {
    std::vector<Chunk> chunks;
    bool ended = false;  // the end line was there
};

std::filesystem::path DataDir() {
    return std::filesystem::path(__FILE__).parent_path().parent_path() / "data";
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<long long> Count(std::string_view text) {
    if (text.empty() || text.size() > 18) return std::nullopt;
    long long v = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

// Printable ASCII stands for itself; every other byte, and a backslash, is \xHH.
std::optional<std::string> Unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto u = static_cast<unsigned char>(text[i]);
        if (text[i] != '\\') {
            if (u < 0x20 || u >= 0x7F) return std::nullopt;
            out += text[i];
            continue;
        }
        if (i + 3 >= text.size() || text[i + 1] != 'x') return std::nullopt;
        const int hi = HexDigit(text[i + 2]);
        const int lo = HexDigit(text[i + 3]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
        i += 3;
    }
    return out;
}

::testing::AssertionResult LoadRecording(const std::string& name, Recording& out) {
    const std::filesystem::path path = DataDir() / name;
    std::ifstream in(path, std::ios::binary);
    if (!in) return ::testing::AssertionFailure() << "cannot open " << path;
    std::string line;
    int n = 0;
    long long lastMs = 0;
    while (std::getline(in, line)) {
        ++n;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto bad = [&](const char* why) {
            return ::testing::AssertionFailure() << path << " line " << n << ": " << why;
        };
        if (n == 1) {
            if (line != "# nodesim recording 1") return bad("not a recording");
            continue;
        }
        if (line.empty() || line[0] == '#') continue;
        if (out.ended) return bad("a line after the end line");
        const std::size_t s1 = line.find(' ');
        const std::size_t s2 = s1 == std::string::npos ? s1 : line.find(' ', s1 + 1);
        if (s1 == std::string::npos) return bad("no kind");
        const auto ms = Count(std::string_view(line).substr(0, s1));
        if (!ms || *ms < lastMs) return bad("time not a number, or going back");
        lastMs = *ms;
        const std::string kind =
            line.substr(s1 + 1, s2 == std::string::npos ? std::string::npos : s2 - s1 - 1);
        if (kind == "E") {
            out.ended = true;
            continue;
        }
        if ((kind != "N" && kind != "M") || s2 == std::string::npos) return bad("not a chunk line");
        const std::size_t s3 = line.find(' ', s2 + 1);
        const auto length = Count(
            std::string_view(line).substr(s2 + 1, s3 == std::string::npos ? std::string::npos : s3 - s2 - 1));
        const auto bytes =
            Unescape(s3 == std::string::npos ? std::string_view() : std::string_view(line).substr(s3 + 1));
        if (!length || !bytes) return bad("bad length or escape");
        if (static_cast<long long>(bytes->size()) != *length)
            return bad("the bytes do not have the length the line says");
        out.chunks.push_back(Chunk{*ms, kind[0], *bytes});
    }
    if (n == 0) return ::testing::AssertionFailure() << path << " is empty";
    return ::testing::AssertionSuccess();
}

// ---- What the node's stream says, sentence by sentence ----

struct Sentences {
    std::vector<std::string> pieces;
    // False when a shown piece holds another "^ZQ64": the program then drops what its buffer
    // holds behind it, which depends on how the stream arrived, so the pieces stop there.
    bool whole = true;
};

// The sentences of a stream as the node link cuts them: a sentence ends where the next "^ZQ"
// begins, except that one "^ZQ11" right after its start is not a boundary, and a traffic sentence
// at the front runs to the first "^ZQ" from its 11th character on. A sentence is only cut once a
// "^ZQ" has come at least 9 characters beyond its start, so the unfinished rest is left out.
Sentences Cut(const std::string& stream) {
    Sentences out;
    std::size_t at = 0;
    for (;;) {
        const std::string_view b = std::string_view(stream).substr(at);
        const std::size_t p1 = b.find("^ZQ");
        if (b.find("^ZQ", p1 == std::string_view::npos ? 8 : p1 + 9) == std::string_view::npos) break;
        std::size_t p2 = b.find("^ZQ", p1 + 1);
        if (p2 != std::string_view::npos && p2 == b.find("^ZQ11", p1 + 1)) p2 = b.find("^ZQ", p2 + 1);
        const std::size_t cut = b.substr(0, 5) == "^ZQ70" ? b.find("^ZQ", 10) : p2;
        if (cut == std::string_view::npos || cut == 0) break;  // the rest is one unfinished piece
        const std::string piece(b.substr(0, cut));
        at += cut;
        out.pieces.push_back(piece);
        const std::string head = piece.substr(0, 5);
        const bool shown = head != "^ZQ60" && head != "^ZQ66" && head != "^ZQ65" &&
                           head.substr(0, 4) != "^ZQ8" && head.substr(0, 4) != "^ZQ9";
        if (shown && piece.find("^ZQ64", 1) != std::string::npos) {
            out.whole = false;
            break;
        }
    }
    return out;
}

std::vector<std::string> Fields(std::string_view text) {
    std::vector<std::string> f;
    std::size_t from = 0;
    for (;;) {
        const std::size_t c = text.find('^', from);
        f.emplace_back(text.substr(from, c == std::string_view::npos ? std::string_view::npos : c - from));
        if (c == std::string_view::npos) return f;
        from = c + 1;
    }
}

long LeadingCount(std::string_view text) {
    long v = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') break;
        v = v * 10 + (c - '0');
    }
    return v;
}

struct RowTexts {
    std::string address, port, call;
};

// The state the node's sentences leave: each socket's last address, port and call; the high-water
// marks; the highest box of the port strip.
struct NodeStory {
    std::map<int, RowTexts> rows;
    std::optional<long> allTimeHigh, sessionHigh;
    long portBoxes = 0;
};

NodeStory Tell(const std::vector<std::string>& sentences) {
    NodeStory story;
    for (const std::string& s : sentences) {
        const std::string head = s.substr(0, 5);
        if (head == "^ZQ90")
            story.allTimeHigh = LeadingCount(std::string_view(s).substr(std::min<std::size_t>(6, s.size())));
        if (head == "^ZQ91")
            story.sessionHigh = LeadingCount(std::string_view(s).substr(std::min<std::size_t>(6, s.size())));
        if (head == "^ZQ81") {
            const std::vector<std::string> f = Fields(s);
            if (f.size() > 2) story.portBoxes = std::max(story.portBoxes, LeadingCount(f[2]));
        }
        if (head != "^ZQ66" && head != "^ZQ60") continue;
        std::string_view rest = std::string_view(s).substr(std::min<std::size_t>(6, s.size()));
        while (!rest.empty() && rest.front() == '^') rest.remove_prefix(1);
        const std::vector<std::string> f = Fields(rest);
        const auto socket = Count(f[0]);
        if (!socket || *socket < 1 || *socket > 32767 || f.size() < 2) continue;
        RowTexts& row = story.rows[static_cast<int>(*socket)];
        const long field = LeadingCount(f[1]);
        if (field == 0 && f.size() >= 7) {
            row.address = f[2];
            row.port = f[4];
            // A full record's call keeps only letters, digits, "/" and "-".
            row.call.clear();
            std::copy_if(f[6].begin(), f[6].end(), std::back_inserter(row.call), [](char c) {
                return c == '/' || c == '-' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                       (c >= 'a' && c <= 'z');
            });
        } else if (f.size() >= 3) {
            if (field == 2) row.address = f[2];
            if (field == 4) row.port = f[2];
            if (field == 6) row.call = f[2];
        }
    }
    return story;
}

// ---- Playing a recording to the program ----

class Player {
  public:
    LoopbackNode node;
    RunningProgram program;
    std::string stream;        // every byte sent to the program
    std::size_t paneHigh = 0;  // the most the pane held after any chunk
    bool paneTrimmed = false;  // the pane was seen to lose its oldest text
    std::size_t chunksSent = 0;
    // Who an observer believes is on the node; after every event it must be what the header counts.
    PresenceTally tally;
    std::size_t eventsHeard = 0;
    std::string firstDisagreement;

    explicit Player(const ui::Options& options = {}) : program(node.port(), true, {}, options) {
        program.core().events.subscribe(tally);
        tally.afterEach = [this] {
            ++eventsHeard;
            if (!firstDisagreement.empty() || !program.core().events.linkIsUp()) return;
            if (!(tally.counts() == program.core().statistics.counts()))
                firstDisagreement = "after event " + std::to_string(eventsHeard) + ", " + tally.events.back();
        };
        program.app->platform().sleepScale = 0.0;  // the program's 2 s and 1 ms pauses are not tested here
        QObject::connect(&program.app->platform(), &ui::QtPlatform::dataArrived, [this](qint64 waiting) {
            // Runs after the program has handled the arrival, which reads all that is waiting.
            consumed_ += static_cast<std::size_t>(waiting);
            const std::size_t pane = program.core().monitor.pane.size();
            if (pane < lastPane_) paneTrimmed = true;
            lastPane_ = pane;
        });
    }

    Core& core() { return program.core(); }

    ::testing::AssertionResult connect() {
        program.app->monitor().connectButton->click();
        if (!node.waitForPeer()) return ::testing::AssertionFailure() << "the program did not connect";
        return ::testing::AssertionSuccess();
    }

    ::testing::AssertionResult waitForB() {
        if (!QTest::qWaitFor([this] { return node.received.find('B') != std::string::npos; }, 5000))
            return ::testing::AssertionFailure()
                   << "no B from the program; it sent \"" << node.received << "\"";
        return ::testing::AssertionSuccess();
    }

    // Sends one chunk in one write and waits until the program has read and handled it, so that
    // each chunk is an arrival of its own as it was when recorded; then checks the pane's bound.
    ::testing::AssertionResult send(const std::string& bytes) {
        // The last batch's final sentence waits in the program until this chunk comes.
        if (!window_.empty() && window_.back() == kEot) window_ = last_;
        window_ += bytes;
        last_ = bytes;
        node.send(bytes);
        stream += bytes;
        ++chunksSent;
        if (!QTest::qWaitFor([this] { return consumed_ >= stream.size(); }, 5000))
            return ::testing::AssertionFailure() << "chunk " << chunksSent << " not read by the program";
        QTest::qWait(kGapMs);
        if (program.exitCode != -1)
            return ::testing::AssertionFailure() << "the program ended with " << program.exitCode;
        // Only an arrival that finds the buffer ending with EOT cuts it, so the text one arrival
        // can add comes from the chunks since the last one that ended with EOT, that one
        // included. A shown line takes at most three times its bytes in the pane (line break,
        // indent or call prefix; lines of 3 characters or fewer are dropped), four is allowed; the
        // pane is trimmed before an arrival once it holds more than 100000 characters.
        const std::size_t pane = core().monitor.pane.size();
        paneHigh = std::max(paneHigh, pane);
        const std::size_t bound = Pane::kLimit + 4 * window_.size() + 64;
        if (pane > bound)
            return ::testing::AssertionFailure() << "after chunk " << chunksSent << " the pane holds " << pane
                                                 << " characters, more than " << bound;
        return ::testing::AssertionSuccess();
    }

    // A lone batch mark, twice: whatever the program still holds but its last sentence is cut.
    ::testing::AssertionResult flush() {
        for (int i = 0; i < 2; ++i)
            if (auto r = send(std::string(1, kEot)); !r) return r;
        return ::testing::AssertionSuccess();
    }

    // Plays the node's chunks from `from` on, skipping the monitor's.
    ::testing::AssertionResult play(const Recording& rec, std::size_t from) {
        for (std::size_t i = from; i < rec.chunks.size(); ++i) {
            if (rec.chunks[i].direction != 'N') continue;
            if (auto r = send(rec.chunks[i].bytes); !r) return r;
        }
        return ::testing::AssertionSuccess();
    }

  private:
    static constexpr int kGapMs = 3;
    std::size_t consumed_ = 0;
    std::size_t lastPane_ = 0;
    std::string window_;  // the chunks since the last one that ended with EOT, that one included
    std::string last_;    // the chunk sent last
};

// The recording's first chunk from the monitor (its "B"); the node's chunks after it wait for the
// program's "B".
std::size_t Gate(const Recording& rec) {
    for (std::size_t i = 0; i < rec.chunks.size(); ++i)
        if (rec.chunks[i].direction == 'M') return i;
    return rec.chunks.size();
}

// Plays the whole recording: the node's chunks before the monitor's first one, then the program's
// "B", then the rest.
::testing::AssertionResult PlayRecording(Player& p, const Recording& rec) {
    if (auto r = p.connect(); !r) return r;
    const std::size_t gate = Gate(rec);
    for (std::size_t i = 0; i < gate; ++i)
        if (auto r = p.send(rec.chunks[i].bytes); !r) return r;
    if (gate < rec.chunks.size())
        if (auto r = p.waitForB(); !r) return r;
    return p.play(rec, gate);
}

// ---- The checks ----

// "B", then "M<socket>^" and "N<socket>^" only; answers the commands after "B".
std::vector<std::string> Commands(const std::string& sent, std::string& fault) {
    std::vector<std::string> out;
    if (sent.empty() || sent[0] != 'B') {
        fault = "the first command is not B";
        return out;
    }
    std::size_t i = 1;
    while (i < sent.size()) {
        std::size_t j = i + 1;
        while (j < sent.size() && sent[j] >= '0' && sent[j] <= '9') ++j;
        if ((sent[i] != 'M' && sent[i] != 'N') || j == i + 1 || j == sent.size() || sent[j] != '^') {
            fault = "malformed command at byte " + std::to_string(i) + " of \"" + sent + "\"";
            return out;
        }
        out.push_back(sent.substr(i, j + 1 - i));
        i = j + 1;
    }
    return out;
}

std::optional<long> Number(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    const auto v = Count(std::string_view(text).substr(i));
    if (!v) return std::nullopt;
    return static_cast<long>(*v);
}

// `kind` is the name the windows' captions give the node program. With `asRecorded` the program
// was fed the session once, as recorded, so its commands must be among the recorded ones.
void CheckSession(Player& p, const Recording& rec, const std::string& kind, bool asRecorded) {
    Core& core = p.core();
    SCOPED_TRACE(kind);

    // Still running, still linked.
    EXPECT_EQ(p.program.exitCode, -1);
    EXPECT_TRUE(core.sender.connected());

    // The pane (bounded after every chunk) has the session in it, and its view shows exactly its
    // text.
    EXPECT_GT(core.monitor.pane.size(), 1000u);
    EXPECT_TRUE(p.program.app->monitor().pane->shownText().toStdU16String() ==
                Pane::displayText(core.monitor.pane.text()))
        << "the pane's view does not show the pane's text";

    // Every socket a record named has its row, with the texts the node sent last; the port strip
    // and the high-water marks are the node's last word too.
    const Sentences sentences = Cut(p.stream);
    const NodeStory story = Tell(sentences.pieces);
    EXPECT_GT(story.rows.size(), 10u);
    for (const auto& [socket, texts] : story.rows) {
        SCOPED_TRACE("socket " + std::to_string(socket));
        ASSERT_TRUE(core.grid.hasRow(socket));
        if (!sentences.whole) continue;  // later sentences may have changed the texts
        const GridRow& row = core.connects.rows[static_cast<std::size_t>(socket)];
        EXPECT_EQ(row.address.text(), texts.address);
        EXPECT_EQ(row.port.text(), texts.port);
        EXPECT_EQ(row.call.text(), texts.call);
    }
    if (sentences.whole) {
        EXPECT_EQ(core.ports.portCount, story.portBoxes);
        ASSERT_TRUE(story.allTimeHigh && story.sessionHigh);
        EXPECT_EQ(Number(core.connects.allTimeHighWater.text()), story.allTimeHigh);
        EXPECT_EQ(Number(core.connects.sessionHighWater.text()), story.sessionHigh);
    }

    // The header counters are numbers that add up, and what was kept row by row is what a count
    // over every row gives.
    const ConnectionsModel& c = core.connects;
    const auto links = Number(c.usersCount.text()), kel = Number(c.kelCount.text()),
               nonKel = Number(c.plainUserCount.text()), nodes = Number(c.nodeCount.text()),
               unknown = Number(c.unclassifiedCount.text()), nocall = Number(c.noCallCount.text());
    ASSERT_TRUE(links && kel && nonKel && nodes && unknown && nocall)
        << c.usersCount.text() << "|" << c.kelCount.text() << "|" << c.plainUserCount.text() << "|"
        << c.nodeCount.text() << "|" << c.unclassifiedCount.text() << "|" << c.noCallCount.text();
    EXPECT_EQ(*links, *kel + *nonKel + *nodes + *unknown);
    EXPECT_GT(*links, 0);
    const Statistics::Counts kept = core.statistics.counts();
    const std::vector<std::string> shown{c.usersCount.text(),        c.kelCount.text(),
                                         c.plainUserCount.text(),    c.nodeCount.text(),
                                         c.unclassifiedCount.text(), c.noCallCount.text()};
    core.statistics.walkEveryRow = true;
    core.statistics.countClientVersions();
    core.statistics.walkEveryRow = false;
    EXPECT_TRUE(core.statistics.counts() == kept) << "the counts kept row by row differ from a full recount";
    EXPECT_EQ(
        (std::vector<std::string>{c.usersCount.text(), c.kelCount.text(), c.plainUserCount.text(),
                                  c.nodeCount.text(), c.unclassifiedCount.text(), c.noCallCount.text()}),
        shown);

    // The node type, recognised from the traffic, names both windows.
    const Recognition& r = core.recognition;
    EXPECT_EQ((r.nodeProgram != NodeProgram::Unknown) + r.nodeIsArcPassive, 1);
    EXPECT_TRUE(r.captionsSet);
    EXPECT_EQ(c.window.caption(), kind + " Connections");
    EXPECT_EQ(core.monitor.window.caption(), kind + " Monitor");
    EXPECT_EQ(p.program.app->connects().windowTitle().toStdString(), kind + " Connections");

    // The program's commands are well formed and name sockets that have rows. Fed the session as
    // recorded, it sends the commands it sent when the session was recorded, in the same order,
    // except those its timers added then (they have no time to run here).
    std::string fault;
    const std::vector<std::string> sent = Commands(p.node.received, fault);
    EXPECT_TRUE(fault.empty()) << fault;
    std::string recordedText;
    for (const Chunk& ch : rec.chunks)
        if (ch.direction == 'M') recordedText += ch.bytes;
    std::string recordedFault;
    const std::vector<std::string> recorded = Commands(recordedText, recordedFault);
    ASSERT_TRUE(recordedFault.empty()) << recordedFault;
    auto next = recorded.begin();
    for (std::size_t i = 0; i < sent.size(); ++i) {
        const std::string& cmd = sent[i];
        const long socket = LeadingCount(std::string_view(cmd).substr(1));
        EXPECT_TRUE(core.grid.hasRow(static_cast<std::int32_t>(socket))) << cmd;
        if (!asRecorded) continue;
        next = std::find(next, recorded.end(), cmd);
        if (next == recorded.end()) {
            ADD_FAILURE() << "command " << i + 1 << ", " << cmd
                          << ", is not among the recorded ones in this order";
            break;
        }
        ++next;
    }
    EXPECT_FALSE(sent.empty());
}

void PlayAndCheck(const std::string& file, const std::string& kind) {
    Recording rec;
    ASSERT_TRUE(LoadRecording(file, rec));
    ASSERT_TRUE(rec.ended) << file << " has no end line";
    ASSERT_FALSE(rec.chunks.empty());
    Player p;
    ASSERT_TRUE(PlayRecording(p, rec));
    ASSERT_TRUE(p.flush());
    CheckSession(p, rec, kind, true);
    // Every arrival and departure was heard as the counters changed.
    EXPECT_EQ(p.firstDisagreement, "");
    EXPECT_EQ(p.tally.counts(), p.core().statistics.counts());
    std::map<std::string, int> heard;
    for (const std::string& e : p.tally.events) ++heard[e.substr(0, e.find(' '))];
    EXPECT_GT(heard["arrived"], 0);
    EXPECT_GT(heard["changed"], 0);
    std::cout << kind << ": " << heard["arrived"] << " arrived, " << heard["changed"] << " changed, "
              << heard["left"] << " left; " << p.tally.present.size() << " present at the end\n";
}

TEST(RecordedSessions, ZqNodeSession) {
    PlayAndCheck("zq_seed7.rec", "ZQC");
}

TEST(RecordedSessions, DxSpiderNodeSession) {
    PlayAndCheck("dxspider_seed3.rec", "DXS");
}

TEST(RecordedSessions, ArcNodeSession) {
    PlayAndCheck("arc_seed5.rec", "ARC");
}

TEST(RecordedSessions, ArcPassiveNodeSession) {
    PlayAndCheck("arc_passive_seed11.rec", "ARC Passive");
}

// The node's part of a session played over and over on one link: the pane reaches its limit, is
// trimmed, and never grows past its bound; what the program keeps still agrees with the stream.
TEST(RecordedSessions, SessionPlayedOverAndOverKeepsThePaneBounded) {
    Recording rec;
    ASSERT_TRUE(LoadRecording("zq_seed7.rec", rec));
    Player p;
    ASSERT_TRUE(PlayRecording(p, rec));
    const std::size_t gate = Gate(rec);
    for (int round = 0; round < 20 && !p.paneTrimmed; ++round) ASSERT_TRUE(p.play(rec, gate + 1));
    ASSERT_TRUE(p.paneTrimmed) << "the pane never reached its limit; the pane's bound was not exercised";
    for (int round = 0; round < 3; ++round) ASSERT_TRUE(p.play(rec, gate + 1));
    ASSERT_TRUE(p.flush());
    EXPECT_GT(p.paneHigh, Pane::kLimit);
    CheckSession(p, rec, "ZQC", false);
}

// A session's row as the test compares it.
struct Session {
    std::string socket, call, end = "program-ended";
    bool operator==(const Session&) const = default;
};

// The recording played into a program whose history is `history` (a file or a server's URI):
// the sessions the observer heard, and the sessions the history kept, in the order they came.
void PlayIntoHistory(const Recording& rec, const QString& history, std::vector<Session>& expected,
                     std::vector<Session>& kept) {
    ui::Options options;
    options.historyPath = history;
    std::vector<std::string> heard;
    {
        Player p(options);
        ASSERT_TRUE(PlayRecording(p, rec));
        ASSERT_TRUE(p.flush());
        heard = p.tally.events;
        p.program.app->runEvent("the end", [&p] { p.core().link.monitorUnload(); });
    }
    // What the observer heard, as sessions: "arrived 5 G4ABC ...", "changed 5 G4ABC ...", "left 5 ...".
    std::map<std::string, std::size_t> open;
    for (const std::string& event : heard) {
        std::vector<std::string> words;
        for (std::size_t at = 0, next; at <= event.size(); at = next + 1) {
            next = std::min(event.find(' ', at), event.size());
            words.push_back(event.substr(at, next - at));
        }
        if (words[0] == "arrived") {
            open[words[1]] = expected.size();
            expected.push_back({words[1], words[2]});
        } else if (words[0] == "changed" && !words[2].empty()) {
            // A call blanked by the node as its user goes does not unname the session.
            expected[open.at(words[1])].call = words[2];
        } else if (words[0] == "left") {
            expected[open.at(words[1])].end = "left";
            open.erase(words[1]);
        }
    }
    QString why;
    const auto location = ui::parseHistoryLocation(history, &why);
    ASSERT_TRUE(location) << why.toStdString();
    {
        QSqlDatabase db =
            ui::openHistoryDatabase(*location, QStringLiteral("replayed"), ui::HistoryAccess::Read);
        ASSERT_TRUE(db.isOpen());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(
            QStringLiteral("SELECT socket, call, end_reason, ended IS NOT NULL FROM sessions ORDER BY id")));
        while (q.next()) {
            EXPECT_TRUE(q.value(3).toBool()) << "a session left open";
            kept.push_back({q.value(0).toString().toStdString(), q.value(1).toString().toStdString(),
                            q.value(2).toString().toStdString()});
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("replayed"));
}

// The users' comings and goings in a recorded session land in a real history file: one session
// per arrival, in order, with its socket and the latest call it had; those who left end as "left", those
// still there when the program ends as "program-ended".
TEST(RecordedSessions, TheUsersComingsAndGoingsLandInTheHistoryAsSessions) {
    Recording rec;
    ASSERT_TRUE(LoadRecording("zq_seed7.rec", rec));
    QTemporaryDir dir;
    std::vector<Session> expected, kept;
    PlayIntoHistory(rec, dir.filePath(QStringLiteral("history.sqlite")), expected, kept);
    ASSERT_GT(expected.size(), 10u);
    ASSERT_EQ(kept.size(), expected.size());
    for (std::size_t i = 0; i < kept.size(); ++i) {
        EXPECT_EQ(kept[i].socket, expected[i].socket) << "session " << i;
        EXPECT_EQ(kept[i].call, expected[i].call) << "session " << i;
        EXPECT_EQ(kept[i].end, expected[i].end) << "session " << i;
    }
}

// The same session lands in a PostgreSQL database as in the file.
TEST(RecordedSessions, TheSameSessionLandsInPostgresqlAsInAnSqliteFile) {
    PostgresServer server;
    DX_NEED_POSTGRES(server);
    Recording rec;
    ASSERT_TRUE(LoadRecording("zq_seed7.rec", rec));
    QTemporaryDir dir;
    std::vector<Session> heardInFile, inFile, heardOnServer, onServer;
    PlayIntoHistory(rec, dir.filePath(QStringLiteral("history.sqlite")), heardInFile, inFile);
    PlayIntoHistory(rec, server.uri(), heardOnServer, onServer);
    ASSERT_GT(inFile.size(), 10u);
    EXPECT_TRUE(heardOnServer == heardInFile);
    EXPECT_TRUE(onServer == inFile);
}

// Every recording in the data folder is played by one of the tests above.
TEST(RecordedSessions, EveryRecordingIsPlayed) {
    std::set<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(DataDir()))
        if (entry.path().extension() == ".rec") found.insert(entry.path().filename().string());
    EXPECT_EQ(found, (std::set<std::string>{"arc_passive_seed11.rec", "arc_seed5.rec", "dxspider_seed3.rec",
                                            "zq_seed7.rec"}));
}

}  // namespace
}  // namespace dx::test
