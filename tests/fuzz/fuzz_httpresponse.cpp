// HTTP answers and packed bodies from arbitrary bytes: never a crash, the same result however the
// bytes are split, and never more bytes used than given.
#include "fuzzinput.h"

#include "download/contentinflater.h"
#include "download/httpresponseparser.h"

namespace {

struct Result {
    HttpResponseParser::State state;
    int status;
    QByteArray body;
    qsizetype used = 0;
};

Result parse(const QByteArray& bytes, qsizetype piece) {
    HttpResponseParser parser;
    Result result{};
    for (qsizetype at = 0; at < bytes.size() && !parser.done() && !parser.failed(); at += piece) {
        const qsizetype size = qMin(piece, bytes.size() - at);
        const qsizetype used = parser.feed(bytes.constData() + at, size);
        fuzzCheck(used >= 0 && used <= size);
        result.used += used;
        result.body += parser.takeBody();
        if (used < size)
            break;
    }
    if (!parser.done() && !parser.failed())
        parser.endOfStream();
    result.body += parser.takeBody();
    result.state = parser.state();
    result.status = parser.status();
    return result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const Result whole = parse(bytes, qMax<qsizetype>(1, bytes.size()));
    fuzzCheck(whole.state == HttpResponseParser::State::Done || whole.state == HttpResponseParser::State::Failed);
    for (const qsizetype piece : {qsizetype(1), qsizetype(3), qsizetype(64)}) {
        const Result split = parse(bytes, piece);
        fuzzCheck(split.state == whole.state && split.status == whole.status);
        if (whole.state == HttpResponseParser::State::Done)
            fuzzCheck(split.body == whole.body && split.used == whole.used);
    }

    for (const char* encoding : {"gzip", "deflate"}) {
        ContentInflater inflater(encoding);
        QByteArray out;
        if (inflater.inflate(bytes, out, 1 << 20))
            fuzzCheck(out.size() <= (1 << 20));
    }
    return 0;
}
