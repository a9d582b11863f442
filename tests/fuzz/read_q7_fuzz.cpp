// Frame assembly on a stream of input reports of random counts and sizes,
// checked against a plain model of the assembly: the pending flag, the idle
// count, and for every close the frame of the first 26 serial bytes, handed
// on exactly when it ends in "DA". The frames go on to a real decoder, as in
// the program. Input: reports, each a size byte (the Size after the report
// ID), the report ID, then Size bytes of Data (Data[0] is the count byte).

#include "fuzz_check.h"

#include "link/cable_connection.h"
#include "meter/meter_decoder.h"
#include "meter/meter_frame.h"

#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static constexpr char kHexDigits[] = "0123456789ABCDEF";
    MeterDecoder decoder;
    DialRange dial;
    std::vector<std::string> handedOn;
    CableConnection link([&](std::string_view frame) {
        handedOn.emplace_back(frame);
        const FrameEffects effects = decoder.ShowDataQ7(frame, dial);
        if (effects.rangeChange)
            dial.SelectDialRange(effects.rangeChange->dialType);
        FrameReceipt receipt;
        receipt.dropped = effects.outcome == FrameOutcome::Dropped;
        receipt.reason = decoder.lastDropReason();
        return receipt;
    });

    bool pending = false;
    int32_t idle = 0;
    std::vector<std::uint8_t> gathered;  // every serial byte of the run, the model keeps them all
    std::string lastFrame;

    std::size_t at = 0;
    while (at + 2 <= size) {
        // A size byte of 0xF0 and above stands for a long report (up to
        // 4 KiB), so reports longer than a HID bridge sends are tried too.
        std::size_t reportSize = data[at];
        if (reportSize >= 0xF0)
            reportSize = (reportSize - 0xEF) * 256;
        const std::uint8_t reportId = data[at + 1];
        at += 2;
        std::vector<std::uint8_t> report(data + at, data + std::min(size, at + reportSize));
        at += report.size();
        if (report.size() < reportSize)
            report.resize(reportSize, 0x00);

        const std::size_t framesBefore = handedOn.size();
        link.assembleReport(reportId, report.empty() ? nullptr : report.data(), static_cast<uint16_t>(report.size()));

        if (!report.empty())
            ++idle;
        const unsigned count = report.empty() ? 0 : (report[0] & 0x0F);
        if (count >= 1 && count <= 9) {
            idle = 0;
            pending = true;
            for (std::size_t i = 1; i <= count && i < report.size(); ++i)
                gathered.push_back(report[i]);
            FUZZ_CHECK(handedOn.size() == framesBefore);
        } else {
            if (pending) {
                lastFrame.clear();
                for (std::size_t i = 0; i < gathered.size() && i < kMeterFrameLength; ++i)
                    lastFrame += kHexDigits[gathered[i] & 0x0F];
                gathered.clear();
                const bool handOn = isMeterFrame(lastFrame);
                FUZZ_CHECK(handedOn.size() == framesBefore + (handOn ? 1 : 0));
                if (handOn)
                    FUZZ_CHECK(handedOn.back() == lastFrame);
            } else {
                FUZZ_CHECK(handedOn.size() == framesBefore);
            }
            pending = false;
        }
        FUZZ_CHECK(link.FramePending() == pending);
        FUZZ_CHECK(link.IdleReportCount() == idle);
        FUZZ_CHECK(link.MeterFrame() == lastFrame);
        FUZZ_CHECK(link.MeterFrame().size() <= kMeterFrameLength);
        FUZZ_CHECK(link.RsUsbCaption() == "USB");
        FUZZ_CHECK(link.HistoryListBox().size() <= CableConnection::kHistoryLimit);
    }
    return 0;
}
