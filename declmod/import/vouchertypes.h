#pragma once
// Where the import finds the voucher types that may be declared in this module: the rows
// of parameter table "233" whose Funcion holds "1" at position 67.
//
// VoucherTypeSource is the lookup; ParamVoucherTypes reads PARAM through a given QtSql
// connection (values bound, never joined into the statement), ReferenceVoucherTypes uses
// the reference rows that the table installer writes, for use without a database.
// VoucherTypeSet is the loaded result, a constant-time membership test on the two bytes of
// a code as the import file holds them (Windows-1252).
//
// Errors: codes() returns false with a text in *error when the lookup cannot be made.

#include <QByteArrayView>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <bitset>

namespace declmod {

class VoucherTypeSource
{
public:
    virtual ~VoucherTypeSource() = default;
    // The codes (Argumento) of the allowed voucher types.
    virtual bool codes(QStringList *codes, QString *error) const = 0;
};

class ParamVoucherTypes : public VoucherTypeSource
{
public:
    explicit ParamVoucherTypes(const QSqlDatabase &db) : m_db(db) {}
    bool codes(QStringList *codes, QString *error) const override;

private:
    QSqlDatabase m_db;
};

class ReferenceVoucherTypes : public VoucherTypeSource
{
public:
    bool codes(QStringList *codes, QString *error) const override;
};

class VoucherTypeSet
{
public:
    VoucherTypeSet() = default;
    // Only codes of exactly two characters can ever match a normalised type.
    explicit VoucherTypeSet(const QStringList &codes);
    bool contains(QByteArrayView code) const
    {
        return code.size() == 2
            && m_bits.test(static_cast<unsigned char>(code[0]) << 8
                           | static_cast<unsigned char>(code[1]));
    }

private:
    std::bitset<65536> m_bits;
};

} // namespace declmod
