#include "core/app/Station.h"

#include <string>
#include <utility>

#include "core/domain/PageCodec.h"

namespace tagwright {

Station::Station(MainView& view, const Clock& clock, std::unique_ptr<SerialBackend> backend)
    : port(backend ? std::move(backend) : MakeSystemSerialBackend()),
      link(port, traffic),
      view_(view),
      clock_(clock) {
    // "  Cont On" is created disabled; only continuous mode enables it.
    Control(MainControl::ContOn).enabled = false;
}

void Station::SetBackground(MainControl c, Rgb colour, bool redraw) {
    Control(c).background = colour;
    if (redraw) view_.RedrawControl(c);
}

void Station::SetForeground(MainControl c, Rgb colour, bool redraw) {
    Control(c).foreground = colour;
    if (redraw) view_.RedrawControl(c);
}

void Station::Tell(std::string text) {
    MessageRequest request;
    request.text = std::move(text);
    request.buttons = MsgButtons::Ok;
    view_.ShowMessage(request);
}

void Station::SetFocus(MainControl c, bool selectAll) {
    focus_ = c;
    view_.SetFocus(c, selectAll);
}

bool Station::CommitPageText(int page) {
    if (page < 1 || page > kPageCount) return false;
    view_.TakeFieldValues();
    const MainControl field = PageField(page);
    SetBackground(field, colour::White);

    const std::size_t i = static_cast<std::size_t>(page - 1);
    const PageFormat format = image.format;
    std::string text = PageCodec::NormalisePageText(image.fieldText[i], format);
    // Both forms are kept even for an invalid text: it stays in the field
    // (red) for the operator to mend, and the write command checks again.
    if (format == PageFormat::Ascii) {
        image.asciiText[i] = text;
        image.hexText[i] = PageCodec::AsciiToHexText(text);
    } else {
        image.hexText[i] = text;
        image.asciiText[i] = PageCodec::HexToAsciiText(text);
    }
    image.fieldText[i] = std::move(text);
    view_.ShowFieldValues();

    bool valid = PageCodec::CheckPageText(image.fieldText[i], format) == 0;
    if (valid) {
        SetBackground(field, colour::Green);
    } else {
        SetBackground(field, colour::Red);
        Tell(PageCodec::PageTextMessage(page, format));
    }
    image.pageCommitted = true;
    return valid;
}

void Station::SetPageFormat(PageFormat format) {
    if (format == image.format) return;
    for (int page = 1; page <= kPageCount; ++page) {
        image.ShowPageAs(page, format);
        view_.ShowFieldValues();
        SetFocus(PageField(page));
    }
    image.format = format;
}

}  // namespace tagwright
