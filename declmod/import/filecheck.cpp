#include "declmod/import/filecheck.h"

#include <cstring>
#include <memory>
#include <vector>

namespace declmod {

// The (type, series, month) keys of the accepted lines: an open-addressing table of
// fixed-size keys, grown to stay at most three quarters full.
class ImportFileCheck::KeySet
{
public:
    struct Key {
        std::uint64_t w[3] = {0, 0, 0};
        bool operator==(const Key &o) const
        {
            return w[0] == o.w[0] && w[1] == o.w[1] && w[2] == o.w[2];
        }
    };

    static Key keyOf(const ImportRecord &r)
    {
        // type (2), month (2), series (up to 16), series length, and a mark of use.
        unsigned char bytes[24] = {};
        std::memcpy(bytes, r.tip_com.data, 2);
        std::memcpy(bytes + 2, r.per_tri.data, 2);
        std::memcpy(bytes + 4, r.num_ser.data, size_t(r.num_ser.size));
        bytes[20] = static_cast<unsigned char>(r.num_ser.size);
        bytes[21] = 1;
        Key k;
        std::memcpy(k.w, bytes, sizeof bytes);
        return k;
    }

    // True when the key was new.
    bool insert(const Key &key)
    {
        if ((m_count + 1) * 4 > m_slots.size() * 3)
            grow();
        if (place(m_slots, key)) {
            ++m_count;
            return true;
        }
        return false;
    }

private:
    static std::size_t hash(const Key &k)
    {
        std::uint64_t h = k.w[0] * 0x9E3779B97F4A7C15ull;
        h ^= (k.w[1] + 0x632BE59BD9B4E019ull) * 0xC2B2AE3D27D4EB4Full;
        h ^= (k.w[2] + 0x165667B19E3779F9ull) * 0x27D4EB2F165667C5ull;
        return static_cast<std::size_t>(h ^ (h >> 29));
    }

    static bool place(std::vector<Key> &table, const Key &key)
    {
        const std::size_t mask = table.size() - 1;
        for (std::size_t i = hash(key) & mask;; i = (i + 1) & mask) {
            if (table[i].w[2] == 0) { // the mark of use lives in the third word
                table[i] = key;
                return true;
            }
            if (table[i] == key)
                return false;
        }
    }

    void grow()
    {
        std::vector<Key> bigger(m_slots.empty() ? 1024 : m_slots.size() * 2);
        for (const Key &k : m_slots)
            if (k.w[2] != 0)
                place(bigger, k);
        m_slots.swap(bigger);
    }

    std::vector<Key> m_slots;
    std::size_t m_count = 0;
};

ImportFileCheck::ImportFileCheck(const HostCharChecks &checks, const VoucherTypeSet &types,
                                 const QString &period)
    : m_checker(checks, types, period)
{
}

ImportFileCheck::~ImportFileCheck() = default;

ImportFileProblem ImportFileCheck::run(const QString &path, const Sink &sink)
{
    m_transferred = 0;
    m_rejected = 0;
    // The lines passed on are those of the copy kept by the checks: the file is read once.
    CheckedImportFile checked;
    const ImportFileProblem problem = checked.check(path);
    if (problem.status != ImportFileStatus::Ok)
        return problem;
    ImportLineReader reader(checked.lines());
    KeySet keys;
    ImportRecord record;
    ImportLineResult result;
    QByteArrayView line;
    while (reader.next(&line)) {
        ++result.number;
        result.accepted = m_checker.checkLine(line, &record);
        if (result.accepted && !keys.insert(KeySet::keyOf(record))) {
            result.accepted = false;
            result.code = QByteArrayView(ImportCode::Duplicate);
        } else {
            result.code = m_checker.rejectionCode();
        }
        result.record = result.accepted ? &record : nullptr;
        if (result.accepted)
            ++m_transferred;
        else
            ++m_rejected;
        if (sink)
            sink(result);
    }
    if (reader.failed() || reader.tooLong())
        return readProblem(reader, result.number + 1);
    return {};
}

} // namespace declmod
