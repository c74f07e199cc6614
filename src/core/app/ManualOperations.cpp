#include "core/app/ManualOperations.h"

#include <algorithm>
#include <atomic>
#include <optional>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/app/ChangeGuard.h"
#include "core/app/CycleJournal.h"
#include "core/app/PageTexts.h"
#include "core/app/ProtocolLog.h"
#include "core/app/Station.h"
#include "core/app/WriteChecks.h"
#include "core/base/CText.h"
#include "core/domain/Hex.h"
#include "core/domain/PageCodec.h"
#include "core/production/CarrierIdSource.h"
#include "core/production/Journal.h"

namespace tagwright {

namespace {

constexpr std::size_t kPageDigits = 16;
constexpr int kAreaBytes = 16;  // pages 1 and 2

std::size_t Index(int page) { return static_cast<std::size_t>(page - 1); }

bool AllHexDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), IsHexDigit);
}

// "0011223344556677" -> "00 11 22 33 44 55 66 77".
std::string SpacedPairs(std::string_view digits) {
    std::string out;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        if (i != 0) out += ' ';
        out += digits.substr(i, 2);
    }
    return out;
}

void Whiten(WindowControls& window, std::initializer_list<MainControl> controls) {
    for (MainControl c : controls) window.SetBackground(c, colour::White);
}

void WhitenPages(WindowControls& window) {
    for (int page = 1; page <= kPageCount; ++page) window.SetBackground(PageField(page), colour::White);
}

void Judge(WindowControls& window, MainControl c, bool good) {
    window.SetBackground(c, good ? colour::Green : colour::Red);
}

// The current set's retries; in automatic mode each repeat also gets its
// line in the protocol log, beside the cycle's own.
void UseSetRetries(Station& station) {
    ReaderLink& link = station.reader.link;
    link.Retries = std::clamp(station.currentSet.retries, kMinRetries, kMaxRetries);
    link.SetRetryHook([&station, retries = link.Retries](std::string_view logLine, int repeat) {
        if (!station.AutomaticMode()) return;
        while (!logLine.empty() && (logLine.back() == '\r' || logLine.back() == '\n')) {
            logLine.remove_suffix(1);
        }
        WriteProtocolLine(station.protocolLog, station.run, station.WallClock(),
                          "Retry " + std::to_string(repeat) + " of " + std::to_string(retries) +
                              ": " + std::string(logLine));
    });
}

// The opening every Reader operation shares: the traffic is cleared and the
// busy flag held throughout, so the receiver leaves the traffic alone. With
// the port open, ready() may still refuse before anything is sent; then the
// lines that came unasked are discarded, the Reader's timing is synchronised
// and body() runs.
template <class Ready, class Body>
void RunReaderOperation(Station& station, std::atomic<bool>& busyFlag, int timingFactor,
                        Ready&& ready, Body&& body) {
    ReaderSession& reader = station.reader;
    reader.traffic.Clear();
    BusyScope busy(busyFlag);
    if (!reader.port.portOpen || !ready()) return;
    UseSetRetries(station);
    reader.link.DiscardPending();
    reader.link.SyncTiming(timingFactor);
    body();
}

template <class Body>
void RunReaderOperation(Station& station, std::atomic<bool>& busyFlag, int timingFactor,
                        Body&& body) {
    RunReaderOperation(station, busyFlag, timingFactor, [] { return true; },
                       std::forward<Body>(body));
}

// A good read: the page's texts from the reply's 16 characters, in the
// current format.
void FillPageFromReply(TransponderImage& image, int page, std::string_view cut) {
    const std::size_t i = Index(page);
    image.hexText[i] = SpacedPairs(cut);
    if (image.format == PageFormat::Ascii) {
        image.asciiText[i] = PageCodec::HexToAsciiText(image.hexText[i]);
        image.fieldText[i] = image.asciiText[i];
    } else {
        image.fieldText[i] = image.hexText[i];
    }
}

// One page read of the carrier ID operations and of ReadPages, with its
// colour and focus; returns the judged reply.
JudgedReply ReadAndShowPage(Station& station, int page) {
    JudgedReply reply = station.reader.link.ReadPage(page);
    if (reply.good) FillPageFromReply(station.image, page, reply.cut);
    station.window.SetFocus(PageField(page));
    Judge(station.window, PageField(page), reply.good);
    return reply;
}

// The manual carrier ID fields: the length is taken as 1 to 16 bytes; the
// span then keeps every address inside pages 1 and 2.
struct ManualCarrierId {
    std::int64_t offset = 0;
    int length = 1;
    CarrierIdSpan span;
};

ManualCarrierId ManualFields(const Station& station) {
    ManualCarrierId m;
    m.offset = Atol(station.settings.manual.carrierIdOffset);
    m.length = std::clamp<std::int32_t>(Atol(station.settings.manual.carrierIdLength), 1, kAreaBytes);
    m.span = SpanOf(m.offset, m.length);
    return m;
}

// The page data of a write: exactly 16 hex digits, or empty when the field
// text cannot give them; the forms are kept only for a good text.
std::string WriteDigits(TransponderImage& image, int page) {
    const std::size_t i = Index(page);
    PageJudgement judged = JudgePageText(image.fieldText[i], image.format, image.Refused(page));
    if (judged.digits.empty()) return {};
    if (image.format == PageFormat::Ascii) image.asciiText[i] = image.fieldText[i];
    image.hexText[i] = std::move(judged.hex);
    return judged.digits;
}

// A page the write sends: selected, and a field of nothing but refused
// characters is not an empty one.
bool WriteWanted(const TransponderImage& image, int page) {
    return image.selected[Index(page)] != 0 &&
           !(image.FieldText(page).empty() && image.Refused(page) == 0);
}

// A page the lock sends; in automatic mode only the pages the set marks.
bool LockWanted(const Station& station, int page) {
    return station.image.selected[Index(page)] != 0 &&
           (!station.AutomaticMode() || station.currentSet.lockPage[Index(page)]);
}

// What a manual write or lock will send, for its audit row: "page 3:
// 0011223344556677; ..." or "pages 1 2 17"; "" when it sends nothing. A
// field the write refuses is left out, as the write leaves it.
std::string PlannedWrite(const TransponderImage& image) {
    std::string text;
    for (int page = 1; page <= kPageCount; ++page) {
        if (!WriteWanted(image, page)) continue;
        const std::string digits =
            JudgePageText(image.FieldText(page), image.format, image.Refused(page)).digits;
        if (digits.empty()) continue;
        text += (text.empty() ? "page " : "; page ") + FormatInt(page) + ": " + digits;
    }
    return text;
}

std::string PlannedLock(const Station& station) {
    std::string text;
    for (int page = 1; page <= kPageCount; ++page) {
        if (LockWanted(station, page)) text += (text.empty() ? "pages " : " ") + FormatInt(page);
    }
    return text;
}

// Why a carrier ID write may not go ahead without talking to the Reader;
// empty when the fields allow it. idDigits gets the ID's digits.
std::string CarrierIdFieldProblem(const Station& station, const ManualCarrierId& m,
                                  std::string& idDigits) {
    const std::string& id = station.settings.manual.carrierId;
    const bool ascii = station.image.format == PageFormat::Ascii;
    const int length = m.length;
    idDigits = ascii ? HexDigits(id) : id;
    const std::string prefix = "Carrier ID not written: ";
    if (const char32_t refused = station.settings.manual.carrierIdRefusal.For(id)) {
        return prefix + "the Carrier ID holds " + RefusedCharacterText(refused) + ".";
    }
    if (m.offset < 0) return prefix + "the Carrier ID Offset must not be negative.";
    if (m.offset > kAreaBytes - length) {
        return prefix + "Carrier ID Offset " + FormatInt(m.offset) + " and Carrier ID Length " +
               FormatInt(length) + " reach beyond the 16 bytes of pages 1 and 2.";
    }
    if (idDigits.size() != static_cast<std::size_t>(2 * length) || !AllHexDigits(idDigits)) {
        if (ascii) {
            return prefix + "the Carrier ID must be " + FormatInt(length) +
                   " characters long (Carrier ID Length).";
        }
        return prefix + "the Carrier ID must be " + FormatInt(2 * length) +
               " hexadecimal digits, two for each of its " + FormatInt(length) + " bytes.";
    }
    return {};
}

// A write that cannot go ahead: nothing is written and no read-back follows
// (it would recolour the field that shows the refusal).
void RefuseCarrierIdWrite(Station& station, std::string problem) {
    station.window.SetBackground(MainControl::CarrierId, colour::Red);
    if (!problem.empty()) station.window.Tell(std::move(problem));
    station.window.SetFocus(MainControl::CarrierId);
}

// The Reader's problem with pages 1 and 2 as read before a carrier ID write.
std::string AreaReadProblem(const JudgedReply& page1, const JudgedReply& page2) {
    const bool good1 = page1.good && IsPageDigits(page1.cut);
    const bool good2 = page2.good && IsPageDigits(page2.cut);
    if (good1 && good2) return {};
    return std::string("Carrier ID not written: the Reader did not give the ") +
           "16 hexadecimal digits of " +
           (!good1 && !good2 ? "pages 1 and 2." : good1 ? "page 2." : "page 1.");
}

// Writes the area with the ID's digits at the span; the field turns green
// only when both pages are written, and so does the journal row.
bool WriteArea(Station& station, const std::string& area, const CarrierIdSpan& span,
               const std::string& idDigits, CycleDetails& details) {
    const auto begin = static_cast<std::size_t>(2 * span.first);
    const std::string composed =
        area.substr(0, begin) + idDigits + area.substr(begin + idDigits.size());
    WindowControls& w = station.window;
    Whiten(w, {MainControl::CarrierId, PageField(1), PageField(2)});
    details.failedStep = "write";
    for (int page = 1; page <= 2; ++page) {
        const std::string digits = composed.substr(Index(page) * kPageDigits, kPageDigits);
        const JudgedReply write = station.reader.link.WritePage(page, digits);
        if (write.sent) details.pages[Index(page)] = digits;
        Judge(w, PageField(page), write.good);
        w.SetFocus(PageField(page));
        if (!write.good) {
            details.readerReply = write.line;
            if (page == 2) Judge(w, MainControl::CarrierId, false);
            return false;
        }
    }
    Judge(w, MainControl::CarrierId, true);
    return true;
}

// The ID's digits from the replies of the pages read: only the bytes of the
// span. With one of two reads failed no part can be trusted: nothing then,
// rather than the Reader's failure text mixed into the digits.
std::string SpanDigits(const ManualCarrierId& m, const JudgedReply& page1,
                       const JudgedReply& page2, int reads, int failures) {
    if (failures != 0 && failures != reads) return {};
    const bool fromPage1 = m.offset < 8;
    const std::string area = fromPage1 ? page1.cut + page2.cut : page2.cut;
    const auto start = static_cast<std::size_t>(2 * (m.span.first - (fromPage1 ? 0 : 8)));
    if (start >= area.size()) return {};
    return area.substr(start, static_cast<std::size_t>(2 * (m.span.end - m.span.first)));
}

void ReadCarrierIdStep(Station& station) {
    const ManualCarrierId m = ManualFields(station);
    RunReaderOperation(station, station.reader.port.readBusy, kReadTimingFactor, [&] {
        Whiten(station.window, {MainControl::CarrierId, PageField(1), PageField(2)});
        JudgedReply page1;
        JudgedReply page2;
        int reads = 0;
        int failures = 0;
        if (m.offset < 8) {
            page1 = ReadAndShowPage(station, 1);
            ++reads;
            failures += page1.good ? 0 : 1;
        }
        if (m.offset + m.length > 8) {
            page2 = ReadAndShowPage(station, 2);
            ++reads;
            failures += page2.good ? 0 : 1;
        }
        Judge(station.window, MainControl::CarrierId, failures == 0);
        const std::string digits = SpanDigits(m, page1, page2, reads, failures);
        station.settings.manual.carrierId =
            station.image.format == PageFormat::Ascii
                ? PageCodec::TextBeforeNul(PageCodec::HexDigitsToBytes(digits))
                : digits;
        station.window.SetFocus(MainControl::CarrierId);
    });
}

// False when the write was refused.
bool WriteCarrierIdStep(Station& station) {
    const ManualCarrierId m = ManualFields(station);
    std::string idDigits;
    bool refused = false;
    auto fieldsAllow = [&] {
        std::string problem = CarrierIdFieldProblem(station, m, idDigits);
        if (problem.empty()) {
            // Before any traffic: a write that cannot be recorded does not start.
            const std::string& typed = station.settings.manual.carrierId;
            const std::string id = typed == idDigits ? idDigits
                                                     : "\"" + typed + "\" (" + idDigits + ")";
            if (ApproveChange(station, kAuditWriteCarrierId,
                              id + " at offset " + FormatInt(m.offset) + ", length " +
                                  FormatInt(m.length))) {
                return true;
            }
            problem.clear();  // told
        }
        RefuseCarrierIdWrite(station, std::move(problem));
        refused = true;
        return false;
    };
    RunReaderOperation(
        station, station.reader.port.writeBusy, kWriteTimingFactor, fieldsAllow, [&] {
            station.reader.link.ResetRetriesUsed();
            // Wrong reads would shift the bytes written to pages 1 and 2.
            const JudgedReply page1 = station.reader.link.ReadPage(1);
            const JudgedReply page2 = station.reader.link.ReadPage(2);
            if (std::string problem = AreaReadProblem(page1, page2); !problem.empty()) {
                RefuseCarrierIdWrite(station, std::move(problem));
                refused = true;
                return;
            }
            // The journal's row, like a cycle's, before the first page is written.
            const std::optional<JournalCycleId> cycle =
                ReserveManualCarrierId(station, PageCodec::HexDigitsToBytes(idDigits));
            if (!cycle) {
                RefuseCarrierIdWrite(station, {});  // told why
                refused = true;
                return;
            }
            CycleDetails details;
            const bool written =
                WriteArea(station, page1.cut + page2.cut, m.span, idDigits, details);
            details.retries = static_cast<int>(station.reader.link.RetriesUsed());
            FinishManualCarrierId(station, *cycle, written, details);
        });
    return !refused;
}

}  // namespace

void ReadPages(Station& station) {
    RunCommand(station.View(), [&] {
        const TransponderImage& image = station.image;
        RunReaderOperation(station, station.reader.port.readBusy, kReadTimingFactor, [&] {
            for (int page = 1; page <= kPageCount; ++page) {
                if (image.selected[Index(page)] != 0) station.window.SetFocus(PageField(page));
            }
            WhitenPages(station.window);
            // A reply shorter than a page's 16 characters (no reply, "No Read")
            // ends the run; pages not selected leave the kept length alone.
            std::size_t lastLength = kPageDigits;
            for (int page = 1; page <= kPageCount; ++page) {
                if (image.selected[Index(page)] == 0 || lastLength < kPageDigits) continue;
                station.window.SetBackground(PageField(page), colour::White);
                lastLength = ReadAndShowPage(station, page).replyLength;
            }
        });
    });
}

// A manual write or lock that sends anything is recorded first; false (told)
// when that fails. A closed port sends nothing, and records nothing.
bool ApproveManual(Station& station, const char* kind, const std::string& planned) {
    return !station.reader.port.portOpen || planned.empty() ||
           ApproveChange(station, kind, planned);
}

void WritePages(Station& station) {
    if (!MayRun(station, EngineerCommand::WritePages)) return;
    RunCommand(station.View(), [&] {
        if (ApproveManual(station, kAuditManualWrite, PlannedWrite(station.image))) {
            WritePagesStep(station);
        }
    });
}

void WritePagesStep(Station& station, CycleDetails* details) {
    TransponderImage& image = station.image;
    station.FailureCount = 0;
    station.writeChecks.Reset();
    WhitenPages(station.window);
    RunReaderOperation(station, station.reader.port.writeBusy, kWriteTimingFactor, [&] {
        for (int page = 1; page <= kPageCount; ++page) {
            if (!WriteWanted(image, page)) continue;
            const MainControl field = PageField(page);
            station.window.SetBackground(field, colour::White);
            std::string digits = WriteDigits(image, page);
            if (digits.empty()) {
                // Reported and skipped; the run goes on with the next page.
                station.window.SetBackground(field, colour::Red);
                ++station.FailureCount;
                station.window.Tell(PageMessage(page, image.format, image.Refused(page)));
                continue;
            }
            const JudgedReply reply = station.reader.link.WritePage(page, digits);
            Judge(station.window, field, reply.good);
            if (details != nullptr) {
                if (reply.sent) details->pages[Index(page)] = digits;
                if (!reply.good) details->readerReply = reply.line;
            }
            if (!reply.good) {
                ++station.FailureCount;
                return;
            }
            station.writeChecks.written.push_back({page, std::move(digits)});
        }
        // A write that was acknowledged may still not have landed.
        if (station.FailureCount == 0 && station.currentSet.verifyAfterWrite) {
            VerifyWrittenPages(station);
        }
    });
}

void LockPages(Station& station) {
    if (!MayRun(station, EngineerCommand::LockPages)) return;
    RunCommand(station.View(), [&] {
        if (ApproveManual(station, kAuditManualLock, PlannedLock(station))) LockPagesStep(station);
    });
}

void LockPagesStep(Station& station, CycleDetails* details) {
    station.FailureCount = 0;
    station.writeChecks.locksDone = false;
    RunReaderOperation(station, station.reader.port.readBusy, kWriteTimingFactor, [&] {
        const bool automatic = station.AutomaticMode();
        std::vector<int> locked;
        for (int page = 1; page <= kPageCount; ++page) {
            const std::size_t i = Index(page);
            if (!LockWanted(station, page)) continue;
            const MainControl field = PageField(page);
            station.window.SetBackground(field, colour::White);
            const JudgedReply reply = station.reader.link.LockPage(page);
            Judge(station.window, field, reply.good);
            if (details != nullptr) {
                details->locked[i] = reply.good;
                if (!reply.good) details->readerReply = reply.line;
            }
            if (!reply.good) {
                ++station.FailureCount;
                return;
            }
            locked.push_back(page);
        }
        // An acknowledged lock may not hold; the cycle proves it.
        if (automatic && station.currentSet.verifyAfterWrite && !ProveLocks(station, locked)) {
            return;
        }
        station.writeChecks.locksDone = true;
    });
}

void RestoreDefaultContent(Station& station) {
    RunCommand(station.View(), [&] {
        TransponderImage& image = station.image;
        WindowControls& w = station.window;
        image.fieldText = image.defaultText;
        w.ShowImage(MainControl::HexButton, true);
        w.ShowImage(MainControl::AsciiButton, false);
        image.format = PageFormat::Hex;
        image.selectAll = 1;
        w.ShowImage(MainControl::SelectAll, true);
        for (int page = 1; page <= kPageCount; ++page) {
            image.selected[Index(page)] = 1;
            w.ShowImage(SelectBox(page), true);
        }
        WhitenPages(w);
    });
    station.View().RepaintWindow();
}

void ReadUid(Station& station) {
    RunCommand(station.View(), [&] { ReadUidStep(station); });
}

void ReadUidStep(Station& station) {
    station.FailureCount = 0;
    RunReaderOperation(station, station.reader.port.readBusy, kWriteTimingFactor, [&] {
        station.window.SetBackground(MainControl::Uid, colour::White);
        const JudgedReply reply = station.reader.link.ReadUid();
        // The field shows what came, good or not ("No Read\r").
        station.uidText = reply.cut;
        Judge(station.window, MainControl::Uid, reply.good);
        if (!reply.good) ++station.FailureCount;
        station.window.SetFocus(MainControl::Uid);
    });
}

void ReadCarrierId(Station& station) {
    RunCommand(station.View(), [&] {
        if (!TellRefusedNumberField(station)) ReadCarrierIdStep(station);
    });
}

void WriteCarrierId(Station& station) {
    if (!MayRun(station, EngineerCommand::WriteCarrierId)) return;
    RunCommand(station.View(), [&] {
        if (TellRefusedNumberField(station) || !WriteCarrierIdStep(station)) return;
        station.window.SetFocus(MainControl::CarrierId);
        ReadCarrierIdStep(station);
    });
}

void CheckCarrierIdLength(Station& station) {
    MainView& view = station.View();
    view.TakeFieldValues();
    if (TellRefusedNumberField(station)) return view.ShowFieldValues();
    const std::int64_t length = Atol(station.settings.manual.carrierIdLength);
    const bool ascii = station.image.format == PageFormat::Ascii;
    // In Hex the field holds two digits per byte, as the read fills it.
    const std::int64_t expected = ascii ? length : 2 * length;
    const auto actual = static_cast<std::int64_t>(station.settings.manual.carrierId.size());
    if (actual == expected) return;
    const std::string count = FormatInt(length);
    station.window.Tell(ascii ? "change Carrier ID to a length of " + count + " characters"
                              : "change Carrier ID to a length of " + count +
                                    " printable hexadecimal (20,21,..7E,..) characters");
    view.ShowFieldValues();
}

}  // namespace tagwright
