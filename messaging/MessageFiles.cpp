#include "messaging/MessageFiles.h"

#include "platform/DataFile.h"

#include <algorithm>

namespace MessageFiles {
namespace {

// Reads fields in order until one fails; after a failure every later read is skipped.
class FieldReader {
public:
    explicit FieldReader(DataFileReader& in) : m_in(in) {}
    bool ok() const { return m_ok; }

    void text(QString& field) {
        if (!m_ok) return;
        // The reader bounds the byte count by the bytes that remain.
        auto v = m_in.string();
        if (v && v->size() > kMaxStringChars) v.reset();
        set(field, std::move(v));
    }
    void i32(int32_t& field) {
        if (m_ok) set(field, m_in.i32());
    }
    void time(SystemTime& field) {
        if (m_ok) set(field, m_in.time());
    }

private:
    template <typename T, typename V> void set(T& field, std::optional<V> v) {
        if (v)
            field = std::move(*v);
        else
            m_ok = false;
    }
    DataFileReader& m_in;
    bool m_ok = true;
};

// The version word, or nothing when the file is too short or not format 9. Leaves the reader
// set for the string form the word announces.
std::optional<uint32_t> readVersion(DataFileReader& in) {
    const auto word = in.u32();
    if (!word || (*word & 0xFFFF) != kFormatVersion) return std::nullopt;
    in.setUtf16Strings((*word & kUtf16Flag) != 0);
    return word;
}

bool knownStatus(int32_t s) {
    switch (s) {
    case MessageStatus::ForMe:
    case MessageStatus::Bulletin:
    case MessageStatus::Acknowledged:
    case MessageStatus::SentByMe:
    case MessageStatus::Stopped:
    case MessageStatus::Other:
        return true;
    default:
        return false;
    }
}

} // namespace

QByteArray writeMessages(int32_t lastSeq, const std::deque<std::unique_ptr<MessageRecord>>& records) {
    DataFileWriter out;
    out.u32(kVersionWord);
    out.i32(lastSeq);
    out.u32(static_cast<uint32_t>(records.size()));
    for (const auto& r : records) {
        out.string(r->from);
        out.string(r->to);
        out.string(r->text);
        for (const QString& p : r->paths) out.string(p);
        out.string(r->heardVia);
        out.string(r->seq);
        out.i32(r->port);
        out.i32(r->mark);
        out.i32(r->ended);
        out.time(r->time);
        out.i32(r->pathCount);
        out.i32(r->status);
    }
    return out.data();
}

std::optional<Messages> readMessages(const QByteArray& data) {
    DataFileReader in(data);
    if (!readVersion(in)) return std::nullopt;
    const auto lastSeq = in.i32();
    const auto count = in.u32();
    if (!lastSeq || !count) return std::nullopt;

    Messages out;
    // A number outside the range the station hands out would make the next one negative or huge.
    out.lastSeq = (*lastSeq >= 0 && *lastSeq <= 99999) ? *lastSeq : 0;
    // The count is only an upper bound: the loop ends with the data.
    for (uint32_t i = 0; i < *count; ++i) {
        auto r = std::make_unique<MessageRecord>();
        FieldReader f(in);
        f.text(r->from);
        f.text(r->to);
        f.text(r->text);
        for (QString& p : r->paths) f.text(p);
        f.text(r->heardVia);
        f.text(r->seq);
        f.i32(r->port);
        f.i32(r->mark);
        f.i32(r->ended);
        f.time(r->time);
        f.i32(r->pathCount);
        f.i32(r->status);
        if (!f.ok()) {
            out.truncated = true;
            break;
        }
        r->pathCount = std::clamp<int32_t>(r->pathCount, 0, MessageRecord::kMaxPaths);
        if (!knownStatus(r->status)) r->status = MessageStatus::Other;
        out.records.push_back(std::move(r));
    }
    return out;
}

QByteArray writeBulletins(const std::vector<std::unique_ptr<OutgoingMessage>>& queue) {
    uint32_t n = 0;
    for (const auto& e : queue) n += (e->isBulletin == 1 && !e->removed) ? 1 : 0;
    DataFileWriter out;
    out.u32(kVersionWord);
    out.u32(n);
    for (const auto& e : queue) {
        if (e->isBulletin != 1 || e->removed) continue;
        out.string(e->text);
        out.string(e->via);
        out.string(e->from);
        out.string(e->to);
        out.i32(e->length);
        out.i32(e->port);
        out.i32(e->retriesLeft);
        out.i32(e->seq);
        out.i32(e->isBulletin);
    }
    return out.data();
}

std::optional<Bulletins> readBulletins(const QByteArray& data) {
    DataFileReader in(data);
    if (!readVersion(in)) return std::nullopt;
    const auto count = in.u32();
    if (!count) return std::nullopt;

    Bulletins out;
    for (uint32_t i = 0; i < *count; ++i) {
        auto e = std::make_unique<OutgoingMessage>();
        FieldReader f(in);
        f.text(e->text);
        f.text(e->via);
        f.text(e->from);
        f.text(e->to);
        f.i32(e->length);
        f.i32(e->port);
        f.i32(e->retriesLeft);
        f.i32(e->seq);
        f.i32(e->isBulletin);
        if (!f.ok()) {
            out.truncated = true;
            break;
        }
        e->length = static_cast<int32_t>(e->text.size());
        out.entries.push_back(std::move(e));
    }
    return out;
}

} // namespace MessageFiles
