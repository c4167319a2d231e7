#pragma once
// The command line the host starts sendrep with: one string read by fixed positions
// (1-based; positions 1-2 are not read):
//     3-17   taxpayer document number (RUC), 15 characters, trailing spaces kept
//     18-21  form number ("7093")
//     22-25  exercise year, the period of the queries
//     22-27  the period field as a whole, used only in the output name
//     28     week
//     29-36  receipt number, printed after "NC "
// The host passes the string as one argument with its spaces; the program joins its
// arguments with single spaces to rebuild it.
//
// Errors: parse() returns no value for a line that cannot be a sending's command line
// (shorter than 36 characters, holding quotes, a "|", control characters or path
// separators), and puts the reason in *error. Nothing is read from such a line.

#include <QString>

#include <optional>

namespace sendrep {

struct CommandLine {
    QString ruc;           // positions 3-17, as they stand
    QString form;          // 18-21
    QString year;          // 22-25
    QString periodField;   // 22-27
    QString week;          // 28
    QString receiptNumber; // 29-36

    // The RUC without its trailing spaces, as the database holds it.
    QString rucKey() const;
    // Form + period field + week + receipt number: 19 characters, spaces kept.
    QString outputName() const;

    static constexpr int MinimumLength = 36;
    static std::optional<CommandLine> parse(const QString &line, QString *error = nullptr);
};

} // namespace sendrep
