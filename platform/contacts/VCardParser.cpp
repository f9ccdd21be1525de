// SPDX-License-Identifier: GPL-3.0-or-later
// Reading vCard 2.1, 3.0 and 4.0: the lines, properties and values of a
// card, and the people they make; AddressBook.cpp finds the files.
#include "platform/contacts/AddressBook.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QCollator>
#include <QHash>
#include <QStringDecoder>

#include <algorithm>
#include <optional>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace platform {

namespace {

// No name, number or label comes near this. Longer logical lines (photos,
// Outlook's card designs) are passed over without being kept.
constexpr qsizetype MaximumLineLength = 64 * 1024;

// Apple cards label many kinds of fields through groups; a card with more
// labels than this is hostile, and its further labels are ignored.
constexpr int MaximumLabels = 1024;

bool isFoldWhitespace(char c)
{
    return c == ' ' || c == '\t';
}

bool isNameCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
}

bool equalsIgnoringCase(QByteArrayView a, QByteArrayView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// ---------------------------------------------------------------- lines

// The physical lines of a file without their ends: CRLF, LF or a lone CR,
// mixed as files that went through several programs have them.
class Lines {
public:
    explicit Lines(QByteArrayView bytes)
        : mBytes(bytes)
    {
        advance();
    }

    bool atEnd() const { return mAtEnd; }
    QByteArrayView peek() const { return mCurrent; }

    QByteArrayView next()
    {
        const QByteArrayView line = mCurrent;
        advance();
        return line;
    }

private:
    void advance()
    {
        const qsizetype size = mBytes.size();
        if (mPos >= size) {
            mAtEnd = true;
            mCurrent = {};
            return;
        }
        const char *data = mBytes.data();
        qsizetype end = mPos;
        while (end < size && data[end] != '\n' && data[end] != '\r')
            ++end;
        mCurrent = QByteArrayView(data + mPos, end - mPos);
        mPos = end;
        if (mPos == size)
            return;
        const bool carriageReturn = data[mPos] == '\r';
        ++mPos;
        if (carriageReturn && mPos < size && data[mPos] == '\n')
            ++mPos;
    }

    QByteArrayView mBytes;
    qsizetype mPos = 0;
    QByteArrayView mCurrent;
    bool mAtEnd = false;
};

bool isCardBoundary(QByteArrayView line)
{
    const QByteArrayView text = line.trimmed();
    return equalsIgnoringCase(text, "BEGIN:VCARD") || equalsIgnoringCase(text, "END:VCARD");
}

// ---------------------------------------------------------------- properties

// One content line: [group.]name;param...:value. The views point into the
// line being read and hold until the next one is.
struct Property {
    QByteArrayView group;
    QByteArrayView name;
    QByteArrayView encoding;
    QByteArrayView charset;
    QByteArrayView value;    // unfolded, still encoded and escaped
    QList<QByteArray> types; // upper-cased
    bool complete = true;

    // Names and parameters compare without case.
    bool is(QByteArrayView propertyName) const { return equalsIgnoringCase(name, propertyName); }
    bool isQuotedPrintable() const { return equalsIgnoringCase(encoding, "QUOTED-PRINTABLE"); }
    bool isBinary() const
    {
        return equalsIgnoringCase(encoding, "BASE64") || equalsIgnoringCase(encoding, "B");
    }
};

QByteArrayView unquoted(QByteArrayView text)
{
    text = text.trimmed();
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        return text.sliced(1, text.size() - 2).trimmed();
    return text;
}

void addTypes(Property &property, QByteArrayView list)
{
    // TYPE=cell,voice and TYPE="cell,voice" alike.
    const QByteArray unquotedList = list.toByteArray().replace('"', QByteArrayView());
    for (const QByteArray &item : unquotedList.split(',')) {
        QByteArray type = item.trimmed().toUpper();
        if (!type.isEmpty())
            property.types.append(std::move(type));
    }
}

void addParameter(Property &property, QByteArrayView parameter)
{
    parameter = parameter.trimmed();
    const qsizetype equals = parameter.indexOf('=');
    if (equals < 0) {
        // 2.1 writes bare values: TEL;CELL;PREF, PHOTO;BASE64.
        static constexpr const char *encodings[] = {"QUOTED-PRINTABLE", "BASE64", "8BIT", "7BIT"};
        for (const char *encoding : encodings) {
            if (equalsIgnoringCase(parameter, encoding)) {
                property.encoding = parameter;
                return;
            }
        }
        addTypes(property, parameter);
        return;
    }
    const QByteArrayView key = parameter.first(equals).trimmed();
    const QByteArrayView value = parameter.sliced(equals + 1);
    if (equalsIgnoringCase(key, "TYPE"))
        addTypes(property, value);
    else if (equalsIgnoringCase(key, "ENCODING"))
        property.encoding = unquoted(value);
    else if (equalsIgnoringCase(key, "CHARSET"))
        property.charset = unquoted(value);
}

// Parses the name and parameters of a logical line; nullopt when the line
// is no property.
std::optional<Property> parseProperty(QByteArrayView line)
{
    // Parameter values may be quoted and hold colons or semicolons; a stray
    // quote must not hide the colon that ends the head.
    qsizetype colon = -1;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == '"') {
            quoted = !quoted;
        } else if (line[i] == ':' && !quoted) {
            colon = i;
            break;
        }
    }
    if (colon < 0)
        colon = line.indexOf(':');
    if (colon < 0)
        return std::nullopt;

    const QByteArrayView head = line.first(colon);
    qsizetype end = 0;
    while (end < head.size() && head[end] != ';')
        ++end;
    Property property;
    property.name = head.first(end).trimmed();
    if (const qsizetype dot = property.name.lastIndexOf('.'); dot >= 0) {
        property.group = property.name.first(dot);
        property.name = property.name.sliced(dot + 1);
    }
    if (property.name.isEmpty() ||
        !std::all_of(property.name.begin(), property.name.end(), isNameCharacter) ||
        !std::all_of(property.group.begin(), property.group.end(), isNameCharacter))
        return std::nullopt;

    quoted = false;
    qsizetype start = end + 1;
    for (qsizetype i = start; i <= head.size(); ++i) {
        if (i < head.size() && head[i] == '"') {
            quoted = !quoted;
        } else if (i == head.size() || (head[i] == ';' && !quoted)) {
            addParameter(property, head.sliced(start, i - start));
            start = i + 1;
        }
    }
    property.value = line.sliced(colon + 1);
    return property;
}

// Reads the property that starts with first into buffer: the folded lines
// after it and, for a quoted-printable value, the lines its soft line breaks
// join. These lines are consumed even when first is no property, so that
// none of them is ever taken for a property of its own.
std::optional<Property> readProperty(QByteArrayView first, Lines &lines, bool legacy,
                                     QByteArray &buffer)
{
    buffer.truncate(0); // keeps its capacity for the next line
    bool complete = true;
    auto append = [&](QByteArrayView part) {
        if (complete && buffer.size() + part.size() <= MaximumLineLength)
            buffer += part;
        else
            complete = false;
    };
    QByteArrayView last = first;
    auto appendFolded = [&] {
        while (!lines.atEnd() && !lines.peek().isEmpty() && isFoldWhitespace(lines.peek()[0])) {
            last = lines.next();
            // 2.1 unfolds as mail headers do, keeping the blank; later
            // versions fold anywhere and drop it.
            append(legacy ? last : last.sliced(1));
        }
    };
    append(first);
    appendFolded();

    std::optional<Property> property = parseProperty(buffer);
    if (!property)
        return std::nullopt;
    if (property->isQuotedPrintable() && last.endsWith('=')) {
        // A damaged value must not swallow the end of its card.
        while (last.endsWith('=') && !lines.atEnd() && !isCardBoundary(lines.peek())) {
            if (complete)
                buffer.chop(1);
            last = lines.next();
            append(last);
            appendFolded();
        }
        // The buffer grew, and may have moved: read the line again.
        property = parseProperty(buffer);
        if (!property)
            return std::nullopt;
    }
    property->complete = complete;
    return property;
}

// ---------------------------------------------------------------- values

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

QByteArray decodeQuotedPrintable(QByteArrayView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '=') {
            out += c;
            continue;
        }
        if (i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
            out += char(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else if (i + 1 < text.size()) {
            out += c; // not an escape: kept as written
        }
        // A last '=' is a soft line break that had nothing after it.
    }
    return out;
}

// windows-1252 where it differs from Latin-1; the five unassigned bytes
// stay as Latin-1 reads them.
constexpr char16_t windows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// ISO-8859-15 where it differs from Latin-1.
constexpr std::pair<unsigned char, char16_t> latin9Changes[] = {
    {0xA4, 0x20AC}, {0xA6, 0x0160}, {0xA8, 0x0161}, {0xB4, 0x017D},
    {0xB8, 0x017E}, {0xBC, 0x0152}, {0xBD, 0x0153}, {0xBE, 0x0178}};

enum class Charset { Automatic, Windows1252, Latin9 };

Charset charsetNamed(QByteArrayView name)
{
    // ISO-8859-1 is read as windows-1252, its superset, as browsers do:
    // programs that declare it write windows-1252 quotes and euro signs.
    static constexpr const char *western[] = {"ISO-8859-1",   "ISO8859-1", "ISO_8859-1",
                                              "LATIN1",       "LATIN-1",   "L1",
                                              "WINDOWS-1252", "CP1252",    "X-CP1252"};
    static constexpr const char *latin9[] = {"ISO-8859-15", "ISO8859-15", "ISO_8859-15", "LATIN9",
                                             "LATIN-9"};
    for (const char *candidate : western) {
        if (name == candidate)
            return Charset::Windows1252;
    }
    for (const char *candidate : latin9) {
        if (name == candidate)
            return Charset::Latin9;
    }
    return Charset::Automatic;
}

QString decodeSingleByte(QByteArrayView bytes, Charset charset)
{
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        char16_t c = b;
        if (charset == Charset::Windows1252 && b >= 0x80 && b < 0xA0) {
            c = windows1252High[b - 0x80];
        } else if (charset == Charset::Latin9) {
            for (const auto &[from, to] : latin9Changes) {
                if (b == from)
                    c = to;
            }
        }
        *out++ = c;
    }
    return text;
}

QString decodeText(QByteArrayView bytes, QByteArrayView charsetName)
{
    const Charset charset = charsetNamed(charsetName);
    if (charset != Charset::Automatic)
        return decodeSingleByte(bytes, charset);
    // UTF-8 bytes are valid UTF-8 nearly always, Latin-1 text hardly ever.
    if (bytes.isValidUtf8())
        return QString::fromUtf8(bytes);
    return decodeSingleByte(bytes, Charset::Windows1252);
}

QString decodeValue(const Property &property)
{
    if (property.isQuotedPrintable())
        return decodeText(decodeQuotedPrintable(property.value), property.charset);
    return decodeText(property.value, property.charset);
}

// Text values escape \ , ; and line breaks with a backslash. Anything else
// after a backslash is kept as written.
QString unescape(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar escaped = text[++i];
        if (escaped == u'n' || escaped == u'N')
            out += u'\n';
        else if (escaped == u'\\' || escaped == u',' || escaped == u';' || escaped == u':')
            out += escaped;
        else {
            out += c;
            out += escaped;
        }
    }
    return out;
}

// Splits at separator, except where a backslash escapes it.
QList<QStringView> splitUnescaped(QStringView text, QChar separator)
{
    QList<QStringView> parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\') {
            ++i;
        } else if (text[i] == separator) {
            parts.append(text.sliced(start, i - start));
            start = i + 1;
        }
    }
    parts.append(text.sliced(start));
    return parts;
}

// A name or label as one line of at most MaximumTextLength characters; a
// null string when nothing is left.
QString cleanText(QString text)
{
    for (QChar &c : text) {
        if (c.category() == QChar::Other_Control)
            c = u' ';
    }
    text = text.simplified();
    if (text.size() > AddressBook::MaximumTextLength) {
        qsizetype cut = AddressBook::MaximumTextLength;
        if (text[cut - 1].isHighSurrogate())
            --cut;
        text.truncate(cut);
        text = text.trimmed();
    }
    if (text.isEmpty())
        return QString();
    return text;
}

// A part of N: 3.0 and 4.0 separate several values with commas ("John,Paul"
// given names), 2.1 has no such lists.
QString namePart(const QList<QStringView> &parts, qsizetype index, bool legacy)
{
    if (index >= parts.size())
        return QString();
    if (legacy)
        return cleanText(unescape(parts[index]));
    QStringList values;
    for (QStringView value : splitUnescaped(parts[index], u',')) {
        const QString text = cleanText(unescape(value));
        if (!text.isNull())
            values.append(text);
    }
    return cleanText(values.join(u' '));
}

// The number as written; of a tel: URI the number alone. Empty when it is
// no number we could send to.
QString phoneNumberValue(const QString &decoded)
{
    QString text = unescape(decoded).trimmed();
    if (text.startsWith(u"tel:"_s, Qt::CaseInsensitive)) {
        QStringView number = QStringView(text).sliced(4);
        if (const qsizetype semicolon = number.indexOf(u';'); semicolon >= 0)
            number = number.first(semicolon);
        text = QString::fromUtf8(QByteArray::fromPercentEncoding(number.toUtf8())).trimmed();
    }
    if (text.isEmpty() || text.size() > AddressBook::MaximumNumberLength)
        return QString();
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            return QString();
    }
    return text;
}

QString labelForTypes(const QList<QByteArray> &types)
{
    auto has = [&types](const char *type) {
        return types.contains(QByteArray(type));
    };
    if (has("IPHONE"))
        return u"iPhone"_s;
    if (has("FAX")) {
        if (has("HOME"))
            return u"home fax"_s;
        if (has("WORK"))
            return u"work fax"_s;
        if (has("OTHER"))
            return u"other fax"_s;
        return u"fax"_s;
    }
    if (has("PAGER"))
        return u"pager"_s;
    if (has("CELL") || has("MOBILE") || has("PCS"))
        return u"mobile"_s;
    if (has("MAIN") || has("MAIN-NUMBER"))
        return u"main"_s;
    if (has("HOME"))
        return u"home"_s;
    if (has("WORK"))
        return u"work"_s;
    return u"other"_s;
}

// An X-ABLabel: Apple's built-in labels are wrapped as _$!<Mobile>!$_ and
// map to our fixed ones; other text is the user's own label.
QString labelForApple(const QString &decoded)
{
    const QString text = cleanText(unescape(decoded));
    if (!text.startsWith(u"_$!<"_s) || !text.endsWith(u">!$_"_s) || text.size() < 8)
        return text;
    const QString inner = text.mid(4, text.size() - 8).trimmed();
    static const std::pair<QString, QString> builtIn[] = {
        {u"Mobile"_s, u"mobile"_s},    {u"iPhone"_s, u"iPhone"_s},
        {u"Home"_s, u"home"_s},        {u"Work"_s, u"work"_s},
        {u"Main"_s, u"main"_s},        {u"HomeFAX"_s, u"home fax"_s},
        {u"WorkFAX"_s, u"work fax"_s}, {u"OtherFAX"_s, u"other fax"_s},
        {u"Pager"_s, u"pager"_s},      {u"Other"_s, u"other"_s},
    };
    for (const auto &[apple, ours] : builtIn) {
        if (inner.compare(apple, Qt::CaseInsensitive) == 0)
            return ours;
    }
    return inner.isEmpty() ? QString() : inner;
}

// ---------------------------------------------------------------- cards

class Card {
public:
    void take(const Property &property)
    {
        // Photos and sounds, and lines too long to be anything we read.
        if (!property.complete || property.isBinary())
            return;
        if (property.is("VERSION")) {
            mLegacy = property.value.trimmed().startsWith('2');
        } else if (property.is("N")) {
            if (!mName)
                mName = decodeValue(property);
        } else if (property.is("FN")) {
            if (!mFormattedName)
                mFormattedName = decodeValue(property);
        } else if (property.is("TEL")) {
            if (mNumbers.size() >= AddressBook::MaximumPhoneNumbers)
                return;
            QString value = phoneNumberValue(decodeValue(property));
            if (!value.isEmpty())
                mNumbers.append(
                    {property.group.toByteArray().toUpper(), property.types, std::move(value)});
        } else if (property.is("UID")) {
            if (!mUid)
                mUid = decodeValue(property);
        } else if (property.is("X-ABLABEL")) {
            if (property.group.isEmpty() || mLabels.size() >= MaximumLabels)
                return;
            const QByteArray group = property.group.toByteArray().toUpper();
            if (!mLabels.contains(group))
                mLabels.insert(group, decodeValue(property));
        }
    }

    bool isLegacy() const { return mLegacy; }

    // The person of the card; nullopt when it has neither a name nor a number.
    std::optional<Person> person() const
    {
        Person person;
        if (mName) {
            const QList<QStringView> parts = splitUnescaped(*mName, u';');
            person.lastName = namePart(parts, 0, mLegacy);
            person.firstName = namePart(parts, 1, mLegacy);
        }
        if (person.firstName.isNull() && person.lastName.isNull() && mFormattedName)
            person.firstName = cleanText(unescape(*mFormattedName));
        for (const Number &number : mNumbers) {
            QString label;
            if (!number.group.isEmpty()) {
                if (const auto it = mLabels.constFind(number.group); it != mLabels.cend())
                    label = labelForApple(*it);
            }
            if (label.isEmpty())
                label = labelForTypes(number.types);
            person.phoneNumbers.append(
                {int(person.phoneNumbers.size()), std::move(label), number.value});
        }
        if (person.firstName.isNull() && person.lastName.isNull() && person.phoneNumbers.isEmpty())
            return std::nullopt;
        if (mUid)
            person.uid = cleanText(unescape(*mUid));
        return person;
    }

private:
    struct Number {
        QByteArray group;
        QList<QByteArray> types;
        QString value;
    };

    bool mLegacy = false;
    std::optional<QString> mName;
    std::optional<QString> mFormattedName;
    std::optional<QString> mUid;
    QList<Number> mNumbers;
    QHash<QByteArray, QString> mLabels; // by group
};

} // namespace

qsizetype Person::indexOfPhoneNumber(int identifier) const
{
    for (qsizetype i = 0; i < phoneNumbers.size(); ++i) {
        if (phoneNumbers[i].identifier == identifier)
            return i;
    }
    return -1;
}

QString Person::displayName() const
{
    if (!firstName.isNull() && !lastName.isNull())
        return firstName + u' ' + lastName;
    if (!firstName.isNull())
        return firstName;
    if (!lastName.isNull())
        return lastName;
    return phoneNumbers.isEmpty() ? QString() : phoneNumbers.first().value;
}

QList<Person> AddressBook::parseVCards(const QByteArray &input)
{
    QByteArrayView bytes = input;
    QByteArray converted;
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        // Some Windows programs export UTF-16.
        QStringDecoder decoder(bytes[0] == '\xFF' ? QStringDecoder::Utf16LE
                                                  : QStringDecoder::Utf16BE);
        converted = QString(decoder(bytes.sliced(2))).toUtf8();
        bytes = converted;
    }

    QList<Person> people;
    std::optional<Card> card;
    QByteArray buffer; // the logical line being read
    Lines lines(bytes);
    while (!lines.atEnd() && people.size() < MaximumPeople) {
        QByteArrayView first = lines.next();
        // Files joined together keep each one's byte-order mark.
        if (first.startsWith("\xEF\xBB\xBF"))
            first = first.sliced(3);
        // Blank lines end 2.1 photos; a folded line here follows nothing.
        if (first.isEmpty() || isFoldWhitespace(first[0]))
            continue;
        const std::optional<Property> property =
            readProperty(first, lines, card && card->isLegacy(), buffer);
        if (!property)
            continue;
        if (property->is("BEGIN")) {
            // A BEGIN inside a card means that card lost its END, or nests
            // another (2.1 AGENT): the open card is dropped either way.
            if (equalsIgnoringCase(property->value.trimmed(), "VCARD"))
                card.emplace();
        } else if (property->is("END")) {
            if (card && equalsIgnoringCase(property->value.trimmed(), "VCARD")) {
                if (std::optional<Person> person = card->person())
                    people.append(std::move(*person));
                card.reset();
            }
        } else if (card) {
            card->take(*property);
        }
    }
    return people;
}

void AddressBook::sortForDisplay(QList<Person> &people, const QLocale &locale)
{
    // compare(), not sort keys: in the C locale those ignore the case setting.
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    struct Entry {
        QString primary;
        QString secondary;
        qsizetype index;
    };
    std::vector<Entry> entries;
    entries.reserve(size_t(people.size()));
    for (qsizetype i = 0; i < people.size(); ++i) {
        const Person &person = people[i];
        if (!person.lastName.isNull())
            entries.push_back({person.lastName, person.firstName, i});
        else if (!person.firstName.isNull())
            entries.push_back({person.firstName, QString(), i});
        else
            entries.push_back({person.displayName(), QString(), i});
    }
    std::stable_sort(entries.begin(), entries.end(), [&collator](const Entry &a, const Entry &b) {
        if (const int order = collator.compare(a.primary, b.primary); order != 0)
            return order < 0;
        return collator.compare(a.secondary, b.secondary) < 0;
    });
    QList<Person> sorted;
    sorted.reserve(people.size());
    for (const Entry &entry : entries)
        sorted.append(std::move(people[entry.index]));
    people = std::move(sorted);
}

std::optional<Person> AddressBook::personFromRecord(const Record &record)
{
    Person person;
    person.firstName = cleanText(record.givenName);
    person.lastName = cleanText(record.familyName);
    if (person.firstName.isNull() && person.lastName.isNull())
        person.firstName = cleanText(record.formattedName);
    for (const auto &[types, number] : record.numbers) {
        if (person.phoneNumbers.size() >= MaximumPhoneNumbers)
            break;
        // The value is already unescaped: only what a card's value would
        // still need, a tel: URI and the bounds.
        QString value = number.trimmed();
        if (value.startsWith(u"tel:"_s, Qt::CaseInsensitive))
            value = phoneNumberValue(value);
        if (value.isEmpty() || value.size() > MaximumNumberLength ||
            std::any_of(value.begin(), value.end(),
                        [](QChar c) { return c.category() == QChar::Other_Control; }))
            continue;
        QList<QByteArray> upper;
        for (const QByteArray &type : types)
            upper.append(type.trimmed().toUpper());
        person.phoneNumbers.append(
            {int(person.phoneNumbers.size()), labelForTypes(upper), std::move(value)});
    }
    if (person.firstName.isNull() && person.lastName.isNull() && person.phoneNumbers.isEmpty())
        return std::nullopt;
    person.uid = cleanText(record.uid);
    return person;
}

} // namespace platform
