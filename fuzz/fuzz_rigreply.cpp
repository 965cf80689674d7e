// Fuzzes the rigctld reply parser. The input is what a peer sends. Whatever it is: no crash, no
// undefined behaviour; the replies and the count of dropped lines do not depend on how the bytes are
// cut into reads; every reply stays within the parser's bounds and reads back alone from its own wire
// form.
#include "RigReply.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char* what, const QByteArray& input)
{
    std::fprintf(stderr, "%s for input of %lld bytes: %s\n", what, static_cast<long long>(input.size()),
                 input.left(200).toHex().constData());
    std::abort();
}

struct Outcome {
    QList<RigReply> replies;
    qsizetype ignored = 0;
    bool operator==(const Outcome&) const = default;
};

// Feeds the bytes in reads whose sizes cycle through the given ones, then resets as a dropped link would.
Outcome parse(QByteArrayView bytes, QByteArrayView readSizes)
{
    RigReplyParser parser;
    Outcome outcome;
    for (qsizetype at = 0, turn = 0; at < bytes.size(); ++turn) {
        const qsizetype size =
            readSizes.isEmpty() ? bytes.size() : 1 + std::uint8_t(readSizes[turn % readSizes.size()]);
        const qsizetype take = std::min(size, bytes.size() - at);
        outcome.replies += parser.feed(bytes.sliced(at, take));
        at += take;
    }
    parser.reset();
    outcome.ignored = parser.ignoredLines();
    return outcome;
}

void checkBounds(const RigReply& reply, const QByteArray& input)
{
    if (reply.lines.size() > RigReplyParser::MostLines)
        fail("too many lines kept", input);
    if (reply.status <= -1000000 || reply.status >= 1000000)
        fail("status out of range", input);
    const qsizetype echo = reply.command.size() + 1 + (reply.arguments.isEmpty() ? 0 : 1 + reply.arguments.size());
    if (echo > RigReplyParser::LongestLine || (reply.command.isEmpty() && !reply.arguments.isEmpty()))
        fail("echo line out of bounds", input);
    for (const QByteArray& line : reply.lines) {
        if (line.size() > RigReplyParser::LongestLine || line.contains('\n') || line.endsWith('\r'))
            fail("line out of bounds", input);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1 || size > 1 << 16)
        return 0;
    // The first byte chooses how many of the next bytes give the read sizes; the rest is the stream.
    const QByteArray raw(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype sizeBytes = std::min<qsizetype>(std::uint8_t(raw[0]) % 8, raw.size() - 1);
    const QByteArrayView readSizes = QByteArrayView(raw).sliced(1, sizeBytes);
    const QByteArray input = raw.sliced(1 + sizeBytes);

    const Outcome whole = parse(input, {});
    if (parse(input, readSizes) != whole)
        fail("outcome depends on how the bytes are cut", input);
    for (const RigReply& reply : whole.replies) {
        checkBounds(reply, input);
        const Outcome again = parse(reply.toWire(), {});
        if (again.replies.size() != 1 || again.replies[0] != reply || again.ignored != 0)
            fail("a reply does not read back from its wire form", input);
    }
    return 0;
}
