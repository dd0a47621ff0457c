#include "gauges/gaugeFile.hpp"

#include <algorithm>
#include <array>
#include <fstream>
#include <unordered_map>

#include "text/decimalNumber.hpp"
#include "text/numberText.hpp"
#include "text/shellWord.hpp"
#include "text/utf8.hpp"
#include "text/wholeNumber.hpp"

namespace drainPrep {

namespace {

enum Column { idColumn, latColumn, lonColumn, nameColumn, areaColumn, columnCount };

constexpr std::array<const char*, columnCount> columnNames{"id", "lat", "lon", "name",
                                                           "area_km2"};
constexpr std::int32_t notGiven = -1;

// One record of the file: its fields, and the line it starts on.
class CsvReader {
public:
    CsvReader(std::istream& text, const std::string& fileName) : text_(text), fileName_(fileName) {}

    // False at the end of the file; failure holds the text of a bad record.
    bool next(std::vector<std::string>& fields, Failure& failure) {
        fields.clear();
        if (text_.peek() == std::char_traits<char>::eof()) return false;
        firstLine_ = line_ + 1;
        std::string field;
        bool quoted = false;
        for (;;) {
            failure = nextLine();
            if (failure) return true;
            for (std::size_t i = 0; i < current_.size(); ++i) {
                const char c = current_[i];
                if (quoted) {
                    if (c != '"') {
                        field += c;
                    } else if (i + 1 < current_.size() && current_[i + 1] == '"') {
                        field += '"';
                        ++i;
                    } else {
                        quoted = false;
                    }
                } else if (c == '"') {
                    quoted = true;
                } else if (c == ',') {
                    fields.push_back(std::move(field));
                    field.clear();
                } else {
                    field += c;
                }
            }
            if (auto tooLong = fieldTooLong(fields, field)) {
                failure = tooLong;
                return true;
            }
            if (!quoted) break;
            // A quoted field goes on over the line end.
            field += '\n';
            if (text_.peek() == std::char_traits<char>::eof()) {
                failure = where(firstLine_) + ": a quoted field is not closed.";
                return true;
            }
        }
        fields.push_back(std::move(field));
        return true;
    }

    // A quoted field may span lines, so the line limit alone bounds no field.
    Failure fieldTooLong(const std::vector<std::string>& fields, const std::string& open) const {
        const auto tooLong = [](const std::string& field) {
            return field.size() > longestGaugeField;
        };
        if (!tooLong(open) && std::none_of(fields.begin(), fields.end(), tooLong)) {
            return std::nullopt;
        }
        return where(firstLine_) + ": a field is longer than " +
               std::to_string(longestGaugeField) + " bytes.";
    }

    std::int64_t firstLine() const { return firstLine_; }
    std::string where(std::int64_t line) const {
        return fileName_ + " line " + std::to_string(line);
    }

private:
    Failure nextLine() {
        ++line_;
        if (line_ > mostGaugeFileLines) {
            return where(line_) + ": the file has more than " + std::to_string(mostGaugeFileLines) +
                   " lines.";
        }
        current_.clear();
        char c = 0;
        while (text_.get(c) && c != '\n') {
            if (current_.size() == longestGaugeFileLine) {
                return where(line_) + ": the line is longer than " +
                       std::to_string(longestGaugeFileLine) + " bytes.";
            }
            current_ += c;
        }
        if (!current_.empty() && current_.back() == '\r') current_.pop_back();
        // A byte order mark before the header.
        if (line_ == 1 && current_.rfind("\xEF\xBB\xBF", 0) == 0) current_.erase(0, 3);
        return std::nullopt;
    }

    std::istream& text_;
    const std::string& fileName_;
    std::string current_;
    std::int64_t line_ = 0;
    std::int64_t firstLine_ = 0;
};

using ColumnPlaces = std::array<std::int32_t, columnCount>;

Failure findColumns(const std::vector<std::string>& header, const CsvReader& reader,
                    ColumnPlaces& places) {
    places.fill(notGiven);
    for (std::size_t i = 0; i < header.size(); ++i) {
        for (std::size_t c = 0; c < columnCount; ++c) {
            if (header[i] == columnNames[c] && places[c] == notGiven) {
                places[c] = static_cast<std::int32_t>(i);
            }
        }
    }
    for (const Column required : {idColumn, latColumn, lonColumn}) {
        if (places[required] == notGiven) {
            return reader.where(1) + ", column " + columnNames[required] +
                   ": the header names no such column (it needs id, lat and lon).";
        }
    }
    return std::nullopt;
}

class GaugeLine {
public:
    GaugeLine(const std::vector<std::string>& fields, const ColumnPlaces& places,
              const CsvReader& reader)
        : fields_(fields), places_(places), reader_(reader) {}

    // The field of a column, or the failure of a line that ends before it.
    Failure field(Column column, const std::string*& value) const {
        const std::int32_t place = places_[column];
        if (place == notGiven) {
            value = nullptr;
            return std::nullopt;
        }
        if (static_cast<std::size_t>(place) >= fields_.size()) {
            return at(column) + ": the line ends before this column.";
        }
        value = &fields_[static_cast<std::size_t>(place)];
        return std::nullopt;
    }

    Failure decimal(Column column, double& value) const {
        const std::string* text = nullptr;
        if (auto failure = field(column, text)) return failure;
        const std::optional<double> number = parseDecimal(*text);
        if (!number) return at(column) + ": \"" + *text + "\" is not a number.";
        value = *number;
        return std::nullopt;
    }

    std::string at(Column column) const {
        return reader_.where(reader_.firstLine()) + ", column " + columnNames[column];
    }

private:
    const std::vector<std::string>& fields_;
    const ColumnPlaces& places_;
    const CsvReader& reader_;
};

// Ids and names are copied into JSON, GeoJSON, HTML and CSV.
Failure utf8Failure(const GaugeLine& line, Column column, const std::string& text,
                    const std::string& fileName) {
    const std::optional<std::size_t> bad = firstNonUtf8Byte(text);
    if (!bad) return std::nullopt;
    const std::string byte =
        "0x" + hexText(static_cast<unsigned char>(text[*bad]), 2, HexLetters::capital);
    const std::filesystem::path file(fileName);
    const std::string converted = (file.parent_path() / (file.stem().string() + "_utf8" +
                                                         file.extension().string()))
                                      .string();
    return line.at(column) + ": byte " + std::to_string(*bad + 1) + " of the field (" + byte +
           ") is not UTF-8. Save the file as UTF-8, or convert it, for example from "
           "Windows-1252:\n  iconv -f WINDOWS-1252 -t UTF-8 " +
           shellWord(fileName) + " > " + shellWord(converted);
}

Failure readId(const GaugeLine& line, const std::string& fileName, std::string& id) {
    const std::string* text = nullptr;
    if (auto failure = line.field(idColumn, text)) return failure;
    if (text->empty()) return line.at(idColumn) + ": the id is empty.";
    if (auto failure = utf8Failure(line, idColumn, *text, fileName)) return failure;
    const bool control = std::any_of(text->begin(), text->end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    });
    if (control) return line.at(idColumn) + ": the id holds a line break or a control character.";
    id = *text;
    return std::nullopt;
}

Failure readPublishedArea(const GaugeLine& line, Gauge& gauge) {
    const std::string* text = nullptr;
    if (auto failure = line.field(areaColumn, text)) return failure;
    if (text == nullptr || text->empty()) return std::nullopt;
    const std::optional<double> km2 = parseDecimal(*text);
    if (!km2 || !(*km2 > 0.0)) {
        return line.at(areaColumn) + ": \"" + *text + "\" is not a positive number.";
    }
    if (*km2 > largestPublishedKm2) {
        return line.at(areaColumn) + ": " + *text + " km2 is more than all the land on Earth (" +
               std::to_string(static_cast<std::int64_t>(largestPublishedKm2)) + " km2).";
    }
    gauge.publishedKm2 = *km2;
    return std::nullopt;
}

Failure readGauge(const GaugeLine& line, const std::string& fileName, Gauge& gauge) {
    if (auto failure = readId(line, fileName, gauge.id)) return failure;
    if (auto failure = line.decimal(latColumn, gauge.lat)) return failure;
    if (auto failure = line.decimal(lonColumn, gauge.lon)) return failure;
    const std::string* text = nullptr;
    if (auto failure = line.field(nameColumn, text)) return failure;
    if (text != nullptr) {
        if (auto failure = utf8Failure(line, nameColumn, *text, fileName)) return failure;
        gauge.name = *text;
    }
    return readPublishedArea(line, gauge);
}

void numberForGrids(std::vector<Gauge>& gauges) {
    const bool plainIds = std::all_of(gauges.begin(), gauges.end(), [](const Gauge& gauge) {
        return plainGaugeNumber(gauge.id).has_value();
    });
    for (std::size_t i = 0; i < gauges.size(); ++i) {
        gauges[i].gridNumber =
            plainIds ? *plainGaugeNumber(gauges[i].id) : static_cast<std::int32_t>(i + 1);
    }
}

}  // namespace

std::optional<std::int32_t> plainGaugeNumber(const std::string& id) {
    if (id.empty() || id[0] == '0' || id.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const std::optional<std::int32_t> number = parseWholeNumber(id);
    if (!number || *number < 1) return std::nullopt;
    return number;
}

Failure readGauges(std::istream& text, const std::string& fileName, std::vector<Gauge>& gauges) {
    gauges.clear();
    CsvReader reader(text, fileName);
    std::vector<std::string> fields;
    Failure failure;
    if (!reader.next(fields, failure)) return reader.where(1) + ": the file is empty.";
    if (failure) return failure;
    ColumnPlaces places;
    if (auto bad = findColumns(fields, reader, places)) return bad;
    std::unordered_map<std::string, std::int64_t> lineOfId;
    while (reader.next(fields, failure)) {
        if (failure) return failure;
        if (fields.size() == 1 && fields[0].empty()) continue;  // a blank line
        if (gauges.size() == mostGauges) {
            return reader.where(reader.firstLine()) + ": the file lists more than " +
                   std::to_string(mostGauges) + " gauges.";
        }
        Gauge gauge;
        const GaugeLine line(fields, places, reader);
        if (auto bad = readGauge(line, fileName, gauge)) return bad;
        const auto [earlier, added] = lineOfId.emplace(gauge.id, reader.firstLine());
        if (!added) {
            return line.at(idColumn) + ": gauge " + gauge.id + " is given already on line " +
                   std::to_string(earlier->second) + ".";
        }
        gauges.push_back(std::move(gauge));
    }
    if (!failure) numberForGrids(gauges);
    return failure;
}

Failure readGaugeFile(const std::filesystem::path& path, std::vector<Gauge>& gauges) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return "The gauge file " + path.string() + " cannot be opened.";
    return readGauges(file, path.string(), gauges);
}

}  // namespace drainPrep
