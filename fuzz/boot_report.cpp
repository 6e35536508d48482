// The boot report file (in the user's folder, where any program may change it):
// a report that reads, written again, reads back equal; one cut short inside a
// line reads as no report and leaves the caller's records alone.
#include "FuzzSupport.h"
#include "launch/BootRecord.h"
#include <algorithm>

namespace {

// The numbers of a report that reads are digits (and a minus) to their tab: a
// field with a NUL or other bytes after its digits is damage.
bool NumbersAreDigits(const std::string& text)
{
    // Version 2 items hold five fields before the name, version 1 items four.
    const size_t itemNumbers = text.compare(0, 23, "Quillrest boot report 1") == 0 ? 4 : 5;
    size_t start = text.find('\n') + 1;
    while (start < text.size()) {
        const size_t end = std::min(text.find('\n', start), text.size());
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        // A "B" line is all numbers; an "I" line ends in its name, which may hold tabs;
        // a "P" line holds the policies in force, as text.
        if (line[0] == 'P')
            continue;
        size_t numbersEnd = line.size();
        if (line[0] == 'I')
            for (size_t tab = 0, at = 0; tab < itemNumbers; ++tab)
                numbersEnd = at = line.find('\t', at) + 1;
        for (size_t i = 2; i < numbersEnd; ++i)
            if (!(line[i] == '\t' || line[i] == '-' || (line[i] >= '0' && line[i] <= '9')))
                return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::UseCodePage(fuzz::CodePageFor(size));
    const std::string text = fuzz::Text(data, size);
    std::vector<BootRecord> read(1);
    read[0].when = 12345;
    if (!ParseBootReport(text, read)) {
        fuzz::Check(read.size() == 1 && read[0].when == 12345, "no report leaves the records alone", text);
        return 0;
    }
    fuzz::Check(NumbersAreDigits(text), "a report that reads holds numbers as digits", text);
    for (const BootRecord& boot : read) {
        fuzz::Check(boot.pacing == 0 || boot.pacing == 1, "pacing is 0 or 1", text);
        for (const BootItemRecord& item : boot.items)
            fuzz::Check(item.startMs >= 0 && item.settleMs >= -1 && static_cast<int>(item.signal) >= 0 &&
                            item.signal <= SettleSignal::UpperBound,
                        "item times and signals in range", text);
    }
    DescribeBoots(read);

    const std::string written = FormatBootReport(read);
    std::vector<BootRecord> reread;
    fuzz::Check(ParseBootReport(written, reread), "a written report reads", written);
    fuzz::Check(reread.size() == read.size(), "every boot reads back", written);
    // Its numbers and names as written: the text it writes again is the same.
    fuzz::Check(FormatBootReport(reread) == written, "a report written twice is the same text", written);

    // Cut short inside its last line (the input says where): no report.
    const size_t lastLine = written.rfind('\n', written.size() - 2) + 1;
    const size_t lineLength = written.size() - lastLine;
    const size_t cut = lastLine + (size ? data[0] : 0) % (lineLength - 1) + 1;
    std::vector<BootRecord> damaged(1);
    damaged[0].when = 12345;
    fuzz::Check(!ParseBootReport(written.substr(0, cut), damaged) && damaged.size() == 1 && damaged[0].when == 12345,
                "a report cut inside a line is no report", written.substr(0, cut));
    return 0;
}
