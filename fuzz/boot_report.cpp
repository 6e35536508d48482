// The boot report file (in the user's folder, where any program may change it):
// a report that reads, written again, reads back equal; one cut short inside a
// line, or with a NUL or other bytes inside a number, reads as no report and
// leaves the caller's records alone.
#include "FuzzSupport.h"
#include "launch/BootRecord.h"

namespace {

// The numbers of every line but the header are digits (and a minus) to their tab:
// a "B" line is all numbers, an "I" line holds five fields before its name (four
// in a version 1 report; the name may hold tabs), a "P" line names policies.
bool NumbersAreDigits(const std::string& text)
{
    const size_t itemFields = text.compare(0, 23, kBootReportHeaderV1) == 0 ? 4 : 5;
    const std::vector<std::string> lines = win::SplitLines(text);
    for (size_t i = 1; i < lines.size(); ++i) {
        const bool item = lines[i][0] == 'I';
        const std::vector<std::string> fields =
            win::SplitFields(lines[i], '\t', item ? itemFields + 1 : std::string::npos);
        for (size_t f = 1; lines[i][0] != 'P' && f + item < fields.size(); ++f)
            if (fields[f].find_first_not_of("-0123456789") != std::string::npos)
                return false;
    }
    return true;
}

bool ReadsAsNoReport(const std::string& text)
{
    std::vector<BootRecord> records(1);
    records[0].when = 12345;
    return !ParseBootReport(text, records) && records.size() == 1 && records[0].when == 12345;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::UseCodePageFor(size);
    const std::string text = fuzz::Text(data, size);
    std::vector<BootRecord> read;
    if (!ParseBootReport(text, read)) {
        fuzz::Check(ReadsAsNoReport(text), "no report leaves the records alone", text);
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

    // Its numbers and names as written: the text it writes again is the same.
    const std::string written = FormatBootReport(read);
    std::vector<BootRecord> reread;
    fuzz::Check(ParseBootReport(written, reread) && FormatBootReport(reread) == written,
                "a written report reads back equal", written);

    // Cut short inside its last line (the input says where): no report.
    const size_t lastLine = written.rfind('\n', written.size() - 2) + 1;
    const size_t cut = lastLine + (size ? data[0] : 0) % (written.size() - lastLine - 1) + 1;
    fuzz::Check(ReadsAsNoReport(written.substr(0, cut)), "a report cut inside a line is no report",
                written.substr(0, cut));
    return 0;
}
