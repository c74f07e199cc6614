#include "core/app/ManualOperations.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/domain/Hex.h"
#include "core/base/CText.h"
#include "core/domain/PageCodec.h"
#include "core/app/Station.h"

namespace tagwright {

namespace {

constexpr std::size_t kPageDigits = 16;
constexpr int kAreaBytes = 16;  // pages 1 and 2

std::size_t Index(int page) { return static_cast<std::size_t>(page - 1); }

bool AllHexDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), IsHexDigit);
}

bool IsPageDigits(std::string_view text) {
    return text.size() == kPageDigits && AllHexDigits(text);
}

std::string WithoutBlanks(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c != ' ') out += c;
    }
    return out;
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

void WhitenPages(Station& station) {
    for (int page = 1; page <= kPageCount; ++page) {
        station.SetBackground(PageField(page), colour::White);
    }
}

// A good read: the page's texts from the reply's 16 characters, in the
// current format.
void FillPageFromReply(Station& station, int page, std::string_view cut) {
    TransponderImage& image = station.image;
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
    JudgedReply reply = station.link.ReadPage(page);
    if (reply.good) FillPageFromReply(station, page, reply.cut);
    station.View().ShowFieldValues();
    station.SetFocus(PageField(page));
    station.SetBackground(PageField(page), reply.good ? colour::Green : colour::Red);
    return reply;
}

int CarrierIdLength(const Station& station) {
    return std::clamp<std::int32_t>(Atol(station.settings.manual.carrierIdLength), 1, kAreaBytes);
}

std::int64_t CarrierIdOffset(const Station& station) {
    return Atol(station.settings.manual.carrierIdOffset);
}

// The page data of a write: exactly 16 hex digits, or empty when the field
// text cannot give them. The check alone lets an ASCII text of seven
// characters and one trailing blank through, which converts to seven codes.
std::string WriteDigits(Station& station, int page) {
    TransponderImage& image = station.image;
    const std::size_t i = Index(page);
    const std::string& text = image.fieldText[i];
    if (PageCodec::CheckPageText(text, image.format) != 0) return {};
    std::string hex = image.format == PageFormat::Ascii ? PageCodec::AsciiToHexText(text) : text;
    std::string digits = WithoutBlanks(hex);
    if (!IsPageDigits(digits)) return {};
    if (image.format == PageFormat::Ascii) image.asciiText[i] = text;
    image.hexText[i] = std::move(hex);
    return digits;
}

// Why a carrier ID write may not go ahead without talking to the Reader;
// empty when the fields allow it. idDigits gets the ID's digits.
std::string CarrierIdFieldProblem(const Station& station, std::int64_t offset, int length,
                                  std::string& idDigits) {
    const std::string& id = station.settings.manual.carrierId;
    const bool ascii = station.image.format == PageFormat::Ascii;
    idDigits = ascii ? HexDigits(id) : id;
    const std::string prefix = "Carrier ID not written: ";
    if (offset < 0) return prefix + "the Carrier ID Offset must not be negative.";
    if (offset > kAreaBytes - length) {
        return prefix + "Carrier ID Offset " + FormatInt(offset) + " and Carrier ID Length " +
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

}  // namespace

void ReadPages(Station& station) {
    MainView& view = station.View();
    TransponderImage& image = station.image;
    view.TakeFieldValues();
    station.traffic.Clear();
    {
        BusyScope busy(station.port.readBusy);
        if (station.port.portOpen) {
            station.link.DiscardPending();
            view.ShowFieldValues();
            for (int page = 1; page <= kPageCount; ++page) {
                if (image.selected[Index(page)] != 0) station.SetFocus(PageField(page));
            }
            WhitenPages(station);
            station.link.SyncTiming(kReadTimingFactor);

            // A reply shorter than a page's 16 characters (no reply, "No Read")
            // ends the run; pages not selected leave the kept length alone.
            std::size_t lastLength = kPageDigits;
            for (int page = 1; page <= kPageCount; ++page) {
                if (image.selected[Index(page)] == 0 || lastLength < kPageDigits) continue;
                station.SetBackground(PageField(page), colour::White);
                lastLength = ReadAndShowPage(station, page).replyLength;
            }
        }
    }
    view.ShowFieldValues();
}

void WritePages(Station& station) {
    MainView& view = station.View();
    TransponderImage& image = station.image;
    view.TakeFieldValues();
    station.traffic.Clear();
    station.FailureCount = 0;
    view.ShowFieldValues();
    {
        BusyScope busy(station.port.writeBusy);
        WhitenPages(station);
        if (station.port.portOpen) {
            station.link.DiscardPending();
            station.link.SyncTiming(kWriteTimingFactor);
            bool goOn = true;
            for (int page = 1; page <= kPageCount && goOn; ++page) {
                if (image.selected[Index(page)] == 0 || image.FieldText(page).empty()) continue;
                const MainControl field = PageField(page);
                station.SetBackground(field, colour::White);
                const std::string digits = WriteDigits(station, page);
                if (digits.empty()) {
                    // Reported and skipped; the run goes on with the next page.
                    station.SetBackground(field, colour::Red);
                    ++station.FailureCount;
                    station.Tell(PageCodec::PageTextMessage(page, image.format));
                    continue;
                }
                const JudgedReply reply = station.link.WritePage(page, digits);
                station.SetBackground(field, reply.good ? colour::Green : colour::Red);
                if (!reply.good) {
                    goOn = false;
                    ++station.FailureCount;
                }
                view.ShowFieldValues();
            }
        }
    }
    view.ShowFieldValues();
}

void LockPages(Station& station) {
    MainView& view = station.View();
    const TransponderImage& image = station.image;
    view.TakeFieldValues();
    station.FailureCount = 0;
    station.traffic.Clear();
    {
        BusyScope busy(station.port.readBusy);
        if (station.port.portOpen) {
            station.link.DiscardPending();
            station.link.SyncTiming(kWriteTimingFactor);
            const bool automatic = station.AutomaticMode();
            for (int page = 1; page <= kPageCount; ++page) {
                const std::size_t i = Index(page);
                if (image.selected[i] == 0) continue;
                // In automatic mode only the pages the set marks are locked.
                if (automatic && !station.currentSet.lockPage[i]) continue;
                const MainControl field = PageField(page);
                station.SetBackground(field, colour::White);
                const JudgedReply reply = station.link.LockPage(page);
                station.SetBackground(field, reply.good ? colour::Green : colour::Red);
                if (!reply.good) {
                    ++station.FailureCount;
                    break;
                }
            }
        }
    }
    view.ShowFieldValues();
}

void RestoreDefaultContent(Station& station) {
    MainView& view = station.View();
    TransponderImage& image = station.image;
    view.TakeFieldValues();
    image.fieldText = image.defaultText;
    station.Control(MainControl::HexButton).imageOn = true;
    station.Control(MainControl::AsciiButton).imageOn = false;
    image.format = PageFormat::Hex;
    image.selectAll = 1;
    station.Control(MainControl::SelectAll).imageOn = true;
    for (int page = 1; page <= kPageCount; ++page) {
        image.selected[Index(page)] = 1;
        station.Control(SelectBox(page)).imageOn = true;
    }
    WhitenPages(station);
    view.ShowFieldValues();
    view.RepaintWindow();
}

void ReadUid(Station& station) {
    MainView& view = station.View();
    view.TakeFieldValues();
    station.traffic.Clear();
    station.FailureCount = 0;
    {
        BusyScope busy(station.port.readBusy);
        if (station.port.portOpen) {
            station.link.DiscardPending();
            station.SetBackground(MainControl::Uid, colour::White);
            station.link.SyncTiming(kWriteTimingFactor);
            const JudgedReply reply = station.link.ReadUid();
            // The field shows what came, good or not ("No Read\r").
            station.uidText = reply.cut;
            station.SetBackground(MainControl::Uid, reply.good ? colour::Green : colour::Red);
            if (!reply.good) ++station.FailureCount;
            view.ShowFieldValues();
            station.SetFocus(MainControl::Uid);
        }
    }
    view.ShowFieldValues();
}

void ReadCarrierId(Station& station) {
    MainView& view = station.View();
    view.TakeFieldValues();
    const int length = CarrierIdLength(station);
    const std::int64_t offset = CarrierIdOffset(station);
    station.traffic.Clear();
    {
        BusyScope busy(station.port.readBusy);
        if (station.port.portOpen) {
            station.link.DiscardPending();
            station.link.SyncTiming(kReadTimingFactor);
            station.SetBackground(MainControl::CarrierId, colour::White);
            station.SetBackground(PageField(1), colour::White);
            station.SetBackground(PageField(2), colour::White);

            std::string page1;
            std::string page2;
            int reads = 0;
            int failures = 0;
            if (offset < 8) {
                const JudgedReply reply = ReadAndShowPage(station, 1);
                page1 = reply.cut;
                ++reads;
                failures += reply.good ? 0 : 1;
            }
            if (offset + length > 8) {
                const JudgedReply reply = ReadAndShowPage(station, 2);
                page2 = reply.cut;
                ++reads;
                failures += reply.good ? 0 : 1;
            }
            station.SetBackground(MainControl::CarrierId,
                                  failures != 0 ? colour::Red : colour::Green);

            // The ID spans both pages whenever both are read, so with one of
            // them failed no part of it can be trusted: the field stays empty
            // rather than mixing the Reader's failure text into the digits.
            std::string digits;
            if (failures == 0 || failures == reads) {
                const std::string area = offset < 8 ? page1 + page2 : page2;
                const std::int64_t start = std::max<std::int64_t>(
                    0, 2 * (offset < 8 ? offset : offset - 8));
                if (static_cast<std::size_t>(start) < area.size()) {
                    digits = area.substr(static_cast<std::size_t>(start),
                                         static_cast<std::size_t>(2 * length));
                }
            }
            station.settings.manual.carrierId =
                station.image.format == PageFormat::Ascii
                    ? PageCodec::TextBeforeNul(PageCodec::HexDigitsToBytes(digits))
                    : digits;
            view.ShowFieldValues();
            station.SetFocus(MainControl::CarrierId);
        }
    }
    view.ShowFieldValues();
}

void WriteCarrierId(Station& station) {
    MainView& view = station.View();
    view.TakeFieldValues();
    const int length = CarrierIdLength(station);
    const std::int64_t offset = CarrierIdOffset(station);
    station.traffic.Clear();
    {
        BusyScope busy(station.port.writeBusy);
        if (station.port.portOpen) {
            // Wrong fields or reads would shift the bytes written to pages 1
            // and 2, so nothing is written then, and no read-back follows
            // (it would recolour the field that shows the refusal).
            std::string idDigits;
            std::string problem = CarrierIdFieldProblem(station, offset, length, idDigits);
            std::string area;
            if (problem.empty()) {
                station.link.DiscardPending();
                station.link.SyncTiming(kWriteTimingFactor);
                const JudgedReply page1 = station.link.ReadPage(1);
                const JudgedReply page2 = station.link.ReadPage(2);
                const bool good1 = page1.good && IsPageDigits(page1.cut);
                const bool good2 = page2.good && IsPageDigits(page2.cut);
                if (!good1 || !good2) {
                    problem = std::string("Carrier ID not written: the Reader did not give the ") +
                              "16 hexadecimal digits of " +
                              (!good1 && !good2 ? "pages 1 and 2." : good1 ? "page 2." : "page 1.");
                }
                area = page1.cut + page2.cut;
            }
            if (!problem.empty()) {
                station.SetBackground(MainControl::CarrierId, colour::Red);
                station.Tell(std::move(problem));
                view.ShowFieldValues();
                station.SetFocus(MainControl::CarrierId);
                return;
            }

            const auto begin = static_cast<std::size_t>(2 * offset);
            const auto end = begin + idDigits.size();
            const std::string composed = area.substr(0, begin) + idDigits + area.substr(end);
            station.SetBackground(MainControl::CarrierId, colour::White);
            station.SetBackground(PageField(1), colour::White);
            station.SetBackground(PageField(2), colour::White);

            const JudgedReply write1 = station.link.WritePage(1, composed.substr(0, kPageDigits));
            station.SetBackground(PageField(1), write1.good ? colour::Green : colour::Red);
            station.SetFocus(PageField(1));
            if (write1.good) {
                const JudgedReply write2 =
                    station.link.WritePage(2, composed.substr(kPageDigits, kPageDigits));
                station.SetBackground(PageField(2), write2.good ? colour::Green : colour::Red);
                station.SetFocus(PageField(2));
                station.SetBackground(MainControl::CarrierId,
                                      write2.good ? colour::Green : colour::Red);
            }
        }
    }
    view.ShowFieldValues();
    station.SetFocus(MainControl::CarrierId);
    ReadCarrierId(station);
}

void CheckCarrierIdLength(Station& station) {
    MainView& view = station.View();
    view.TakeFieldValues();
    const std::int64_t length = Atol(station.settings.manual.carrierIdLength);
    const bool ascii = station.image.format == PageFormat::Ascii;
    // In Hex the field holds two digits per byte, as the read fills it.
    const std::int64_t expected = ascii ? length : 2 * length;
    const auto actual = static_cast<std::int64_t>(station.settings.manual.carrierId.size());
    if (actual == expected) return;
    const std::string count = FormatInt(length);
    station.Tell(ascii ? "change Carrier ID to a length of " + count + " characters"
                       : "change Carrier ID to a length of " + count +
                             " printable hexadecimal (20,21,..7E,..) characters");
    view.ShowFieldValues();
}

}  // namespace tagwright
