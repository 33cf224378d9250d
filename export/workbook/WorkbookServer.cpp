#include "export/workbook/WorkbookServer.h"

#include "export/automation/AutomationError.h"
#include "export/automation/AutomationObject.h"
#include "export/automation/AutomationRegistry.h"

#include <algorithm>
#include <span>
#include <string>
#include <utility>

struct WorkbookServer::State {
    State(InputLocale locale, std::shared_ptr<WorkbookHandover> handover)
        : reader(std::move(locale)),
          dateFormat(reader.Locale().dateFormat),
          dateTimeFormat(dateFormat + ' ' + reader.Locale().timeFormat),
          dateShortTimeFormat(dateFormat + ' ' + reader.Locale().timeFormatWithoutSeconds),
          handover(std::move(handover)) {}

    TypedInputReader reader;
    // The number formats of the three shapes of a date cell.
    std::string dateFormat;
    std::string dateTimeFormat;
    std::string dateShortTimeFormat;
    std::shared_ptr<WorkbookHandover> handover;
    long liveObjects = 0;
};

namespace {

using State = WorkbookServer::State;
using Arguments = std::span<const AutomationValue>;

// The longest text a cell takes.
constexpr std::size_t kMaxCellText = 32767;
constexpr std::int32_t kMaxSheetsInNewWorkbook = 255;

struct Member {
    std::u16string_view name;
    DispatchId id;
};

char16_t Lower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

bool SameName(std::u16string_view a, std::u16string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](char16_t x, char16_t y) { return Lower(x) == Lower(y); });
}

// The lookup without regard to case, and its failure: apart from the exact match, which every call of the
// export's takes, so that the common way is short.
[[gnu::noinline]] DispatchId LookupIgnoringCase(std::span<const Member> members, std::u16string_view name) {
    for (const Member& member : members) {
        if (SameName(member.name, name)) {
            return member.id;
        }
    }
    std::string narrow;
    for (const char16_t c : name) {
        narrow += c < 0x80 ? static_cast<char>(c) : '?';
    }
    throw AutomationError(AutomationCode::kUnknownName, "unknown member '" + narrow + "'");
}

// Clients mostly write a name as the server spells it: the exact comparison first is the cheap one, made inline
// with each object's few names.
template <std::size_t N>
DispatchId Lookup(const Member (&members)[N], std::u16string_view name) {
    for (const Member& member : members) {
        if (member.name.size() == name.size() && std::equal(name.begin(), name.end(), member.name.begin())) {
            return member.id;
        }
    }
    return LookupIgnoringCase(members, name);
}

[[noreturn]] void Fail(std::uint32_t code, const std::string& what) {
    throw AutomationError(code, what);
}

// The failures of the checks below, made apart from them so that a check that passes costs a comparison.
[[noreturn, gnu::noinline]] void FailCount(std::size_t count, std::size_t given) {
    Fail(AutomationCode::kBadParamCount,
         "expected " + std::to_string(count) + " argument(s), got " + std::to_string(given));
}

[[noreturn, gnu::noinline]] void FailIndex(std::int32_t index, std::int32_t last) {
    Fail(AutomationCode::kBadIndex, "index " + std::to_string(index) + " out of 1.." + std::to_string(last));
}

void ExpectCount(Arguments arguments, std::size_t count) {
    if (arguments.size() != count) {
        FailCount(count, arguments.size());
    }
}

std::int32_t IntegerArgument(const AutomationValue& value) {
    if (value.GetKind() != AutomationValue::Kind::Integer) {
        Fail(AutomationCode::kTypeMismatch, "an integer argument was expected");
    }
    return value.Integer();
}

std::int32_t Index(const AutomationValue& value, std::int32_t last) {
    const std::int32_t index = IntegerArgument(value);
    if (index < 1 || index > last) {
        FailIndex(index, last);
    }
    return index;
}

[[noreturn]] void NotThatWay() {
    Fail(AutomationCode::kMemberNotFound, "the member cannot be used that way");
}

// Every object of the server: counted, and counted among the server's live objects.
class ServerObject : public AutomationObject {
public:
    explicit ServerObject(std::shared_ptr<State> state) : state_(std::move(state)) { ++state_->liveObjects; }

protected:
    ~ServerObject() override { --state_->liveObjects; }
    const std::shared_ptr<State>& ServerState() const { return state_; }

    template <class T, class... Args>
    AutomationValue Make(Args&&... args) const {
        return AutomationValue(ObjectRef::Adopt(new T(state_, std::forward<Args>(args)...)));
    }

private:
    std::shared_ptr<State> state_;
};

std::u16string DefaultSheetName(std::size_t number) {
    std::u16string name = u"Sheet";
    for (const char c : std::to_string(number)) {
        name += static_cast<char16_t>(c);
    }
    return name;
}

void CheckSheetName(const Workbook& book, const Worksheet& sheet, std::u16string_view name) {
    if (name.empty() || name.size() > kMaxSheetNameLength) {
        Fail(AutomationCode::kException, "a sheet name has 1 to 31 characters");
    }
    if (name.find_first_of(u":\\/?*[]") != std::u16string_view::npos || name.front() == u'\'' || name.back() == u'\'') {
        Fail(AutomationCode::kException, "a sheet name has none of : \\ / ? * [ ] and no quote at its ends");
    }
    for (const auto& other : book.sheets) {
        if (other.get() != &sheet && SameName(other->Name(), name)) {
            Fail(AutomationCode::kException, "the workbook has a sheet of that name already");
        }
    }
}

// A cell of a sheet. The export takes one cell a write and gives it back at once, so the sheet keeps a cell
// that was given back and hands it out again instead of making a new one: an idle cell holds no count of its
// sheet (none of anything) and is not counted among the live objects.
class CellObject final : public AutomationObject {
public:
    CellObject() = default;

    // Now the cell at (row, column) of `sheetObject`, whose server state and worksheet it uses; counted as live.
    void Attach(ObjectRef sheetObject, State& state, Worksheet& sheet, std::int32_t row, std::int32_t column) {
        sheetObject_ = std::move(sheetObject);
        state_ = &state;
        sheet_ = &sheet;
        row_ = row;
        column_ = column;
        ++state_->liveObjects;
    }

    // An idle cell that its sheet kept goes with the sheet.
    void Discard() noexcept { delete this; }

    DispatchId GetIDOfName(std::u16string_view name, std::uint32_t) override {
        static constexpr Member kMembers[] = {{u"Value", 1}};
        return Lookup(kMembers, name);
    }

    AutomationValue Invoke(DispatchId, InvokeKind kind, Arguments arguments, std::uint32_t) override {
        if (kind == InvokeKind::PropertyGet) {
            ExpectCount(arguments, 0);
            return Read();
        }
        if (kind != InvokeKind::PropertyPut) {
            NotThatWay();
        }
        ExpectCount(arguments, 1);
        Write(arguments[0]);
        return {};
    }

protected:
    void LastReleased() noexcept override;

private:
    ~CellObject() override = default;

    AutomationValue Read() const {
        const Cell& cell = sheet_->At(row_, column_);
        switch (cell.kind) {
            case Cell::Kind::Empty:
                return {};
            case Cell::Kind::Boolean:
                return AutomationValue(cell.number != 0);
            case Cell::Kind::Text:
                return AutomationValue(sheet_->Text(cell));
            case Cell::Kind::Number:
            case Cell::Kind::DateTime:
                break;
        }
        // Numbers go back as integers when whole; nothing the program reads needs more.
        if (cell.number == static_cast<double>(static_cast<std::int32_t>(cell.number))) {
            return AutomationValue(static_cast<std::int32_t>(cell.number));
        }
        Fail(AutomationCode::kTypeMismatch, "the cell holds a fraction");
    }

    void Write(const AutomationValue& value) {
        switch (value.GetKind()) {
            case AutomationValue::Kind::Empty:
                sheet_->Clear(row_, column_);
                return;
            case AutomationValue::Kind::Integer:
                sheet_->SetNumber(row_, column_, value.Integer());
                return;
            case AutomationValue::Kind::Boolean:
                sheet_->SetBoolean(row_, column_, value.Boolean());
                return;
            case AutomationValue::Kind::Text:
                WriteTyped(value.Text());
                return;
            case AutomationValue::Kind::Object:
                break;
        }
        Fail(AutomationCode::kTypeMismatch, "a cell takes no object");
    }

    void WriteTyped(const std::u16string& text) {
        if (text.size() > kMaxCellText) {
            Fail(AutomationCode::kException, "a cell holds at most 32767 characters");
        }
        const TypedInput input = state_->reader.Read(text);
        switch (input.kind) {
            case TypedInput::Kind::Empty:
                sheet_->Clear(row_, column_);
                break;
            case TypedInput::Kind::Number:
                if (input.percent) {
                    sheet_->SetNumber(row_, column_, input.number, input.fractionTyped ? "0.00%" : "0%");
                } else {
                    sheet_->SetNumber(row_, column_, input.number);
                }
                break;
            case TypedInput::Kind::DateTime:
                sheet_->SetDateTime(row_, column_, input.number,
                                    !input.hasTime     ? state_->dateFormat
                                    : input.hasSeconds ? state_->dateTimeFormat
                                                       : state_->dateShortTimeFormat);
                break;
            case TypedInput::Kind::Text:
                sheet_->SetText(row_, column_, text);
                break;
        }
    }

    ObjectRef sheetObject_;  // keeps state_ and sheet_ alive while the cell is in use
    State* state_ = nullptr;
    Worksheet* sheet_ = nullptr;
    std::int32_t row_ = 0;
    std::int32_t column_ = 0;
};

class ColumnObject final : public ServerObject {
public:
    ColumnObject(std::shared_ptr<State> state, ObjectRef parent, std::shared_ptr<Worksheet> sheet, std::int32_t column)
        : ServerObject(std::move(state)), parent_(std::move(parent)), sheet_(std::move(sheet)), column_(column) {}

    DispatchId GetIDOfName(std::u16string_view name, std::uint32_t) override {
        static constexpr Member kMembers[] = {{u"ColumnWidth", 1}};
        return Lookup(kMembers, name);
    }

    AutomationValue Invoke(DispatchId, InvokeKind kind, Arguments arguments, std::uint32_t) override {
        if (kind == InvokeKind::PropertyGet) {
            ExpectCount(arguments, 0);
            return AutomationValue(static_cast<std::int32_t>(sheet_->ColumnWidth(column_) + 0.5));
        }
        if (kind != InvokeKind::PropertyPut) {
            NotThatWay();
        }
        ExpectCount(arguments, 1);
        const std::int32_t width = IntegerArgument(arguments[0]);
        if (width < 0 || width > kMaxColumnWidth) {
            Fail(AutomationCode::kException, "a column is 0 to 255 characters wide");
        }
        sheet_->SetColumnWidth(column_, width);
        return {};
    }

private:
    ObjectRef parent_;
    std::shared_ptr<Worksheet> sheet_;
    std::int32_t column_;
};

class ColumnsObject final : public ServerObject {
public:
    ColumnsObject(std::shared_ptr<State> state, ObjectRef parent, std::shared_ptr<Worksheet> sheet)
        : ServerObject(std::move(state)), parent_(std::move(parent)), sheet_(std::move(sheet)) {}

    DispatchId GetIDOfName(std::u16string_view name, std::uint32_t) override {
        static constexpr Member kMembers[] = {{u"Item", 1}};
        return Lookup(kMembers, name);
    }

    AutomationValue Invoke(DispatchId, InvokeKind kind, Arguments arguments, std::uint32_t) override {
        if (kind != InvokeKind::PropertyGet) {
            NotThatWay();
        }
        ExpectCount(arguments, 1);
        const std::int32_t column = Index(arguments[0], kMaxColumns);
        return Make<ColumnObject>(ObjectRef::Share(this), sheet_, column);
    }

private:
    ObjectRef parent_;
    std::shared_ptr<Worksheet> sheet_;
};

class SheetObject final : public ServerObject {
public:
    enum : DispatchId { kName = 1, kColumns, kCells };

    SheetObject(std::shared_ptr<State> state, ObjectRef parent, std::shared_ptr<Workbook> book,
                std::shared_ptr<Worksheet> sheet)
        : ServerObject(std::move(state)),
          parent_(std::move(parent)),
          book_(std::move(book)),
          sheet_(std::move(sheet)) {}
    ~SheetObject() override {
        if (idleCell_) {
            idleCell_->Discard();
        }
    }

    // A cell given back: kept for the next "Cells" when none is kept yet.
    void TakeBack(CellObject* cell) noexcept {
        if (idleCell_) {
            cell->Discard();
        } else {
            idleCell_ = cell;
        }
    }

    DispatchId GetIDOfName(std::u16string_view name, std::uint32_t) override {
        static constexpr Member kMembers[] = {{u"Name", kName}, {u"Columns", kColumns}, {u"Cells", kCells}};
        return Lookup(kMembers, name);
    }

    AutomationValue Invoke(DispatchId member, InvokeKind kind, Arguments arguments, std::uint32_t) override {
        if (member == kName && kind == InvokeKind::PropertyGet) {
            ExpectCount(arguments, 0);
            return AutomationValue(sheet_->Name());
        }
        if (member == kName && kind == InvokeKind::PropertyPut) {
            ExpectCount(arguments, 1);
            if (arguments[0].GetKind() != AutomationValue::Kind::Text) {
                Fail(AutomationCode::kTypeMismatch, "a sheet name is a text");
            }
            CheckSheetName(*book_, *sheet_, arguments[0].Text());
            sheet_->SetName(arguments[0].Text());
            return {};
        }
        if (kind != InvokeKind::PropertyGet) {
            NotThatWay();
        }
        if (member == kColumns) {
            ExpectCount(arguments, 0);
            return Make<ColumnsObject>(ObjectRef::Share(this), sheet_);
        }
        ExpectCount(arguments, 2);
        const std::int32_t row = Index(arguments[0], kMaxRows);
        const std::int32_t column = Index(arguments[1], kMaxColumns);
        CellObject* cell = std::exchange(idleCell_, nullptr);
        if (cell) {
            cell->AddRef();
        } else {
            cell = new CellObject();
        }
        cell->Attach(ObjectRef::Share(this), *ServerState(), *sheet_, row, column);
        return AutomationValue(ObjectRef::Adopt(cell));
    }

private:
    ObjectRef parent_;
    std::shared_ptr<Workbook> book_;
    std::shared_ptr<Worksheet> sheet_;
    CellObject* idleCell_ = nullptr;
};

void CellObject::LastReleased() noexcept {
    --state_->liveObjects;
    // Giving the sheet's count back may end the sheet, and with it this cell: nothing of the cell is touched after.
    ObjectRef sheet = std::move(sheetObject_);
    static_cast<SheetObject*>(sheet.get())->TakeBack(this);
    sheet.Reset();
}

AutomationValue SheetAt(const std::shared_ptr<State>& state, ObjectRef parent, const std::shared_ptr<Workbook>& book,
                        const AutomationValue& index) {
    const std::int32_t i = Index(index, static_cast<std::int32_t>(book->sheets.size()));
    return AutomationValue(ObjectRef::Adopt(
        new SheetObject(state, std::move(parent), book, book->sheets[static_cast<std::size_t>(i - 1)])));
}

class SheetsObject final : public ServerObject {
public:
    SheetsObject(std::shared_ptr<State> state, ObjectRef parent, std::shared_ptr<Workbook> book)
        : ServerObject(std::move(state)), parent_(std::move(parent)), book_(std::move(book)) {}

    DispatchId GetIDOfName(std::u16string_view name, std::uint32_t) override {
        static constexpr Member kMembers[] = {{u"Item", 1}};
        return Lookup(kMembers, name);
    }

    AutomationValue Invoke(DispatchId, InvokeKind kind, Arguments arguments, std::uint32_t) override {
        if (kind != InvokeKind::PropertyGet) {
            NotThatWay();
        }
        ExpectCount(arguments, 1);
        return SheetAt(ServerState(), ObjectRef::Share(this), book_, arguments[0]);
    }

private:
    ObjectRef parent_;
    std::shared_ptr<Workbook> book_;
};

class ApplicationObject;

class WorkbooksObject final : public ServerObject {
public:
    WorkbooksObject(std::shared_ptr<State> state, ObjectRef application, ApplicationObject& app)
        : ServerObject(std::move(state)), application_(std::move(application)), app_(app) {}

    DispatchId GetIDOfName(std::u16string_view name, std::uint32_t) override {
        static constexpr Member kMembers[] = {{u"Add", 1}};
        return Lookup(kMembers, name);
    }

    AutomationValue Invoke(DispatchId, InvokeKind kind, Arguments arguments, std::uint32_t) override;

private:
    ObjectRef application_;  // keeps app_ alive
    ApplicationObject& app_;
};

class ApplicationObject final : public ServerObject {
public:
    enum : DispatchId { kWorkbooks = 1, kSheetsInNewWorkbook, kWorksheets, kVisible };

    using ServerObject::ServerObject;

    DispatchId GetIDOfName(std::u16string_view name, std::uint32_t) override {
        static constexpr Member kMembers[] = {{u"Workbooks", kWorkbooks},
                                              {u"SheetsInNewWorkbook", kSheetsInNewWorkbook},
                                              {u"Worksheets", kWorksheets},
                                              {u"Visible", kVisible}};
        return Lookup(kMembers, name);
    }

    AutomationValue Invoke(DispatchId member, InvokeKind kind, Arguments arguments, std::uint32_t) override {
        if (kind == InvokeKind::Method) {
            NotThatWay();
        }
        const bool put = kind == InvokeKind::PropertyPut;
        switch (member) {
            case kWorkbooks:
                if (put) {
                    NotThatWay();
                }
                ExpectCount(arguments, 0);
                return Make<WorkbooksObject>(ObjectRef::Share(this), *this);
            case kSheetsInNewWorkbook:
                ExpectCount(arguments, put ? 1 : 0);
                if (!put) {
                    return AutomationValue(sheetsInNewWorkbook_);
                }
                sheetsInNewWorkbook_ = IntegerArgument(arguments[0]);
                if (sheetsInNewWorkbook_ < 1 || sheetsInNewWorkbook_ > kMaxSheetsInNewWorkbook) {
                    sheetsInNewWorkbook_ = 1;
                    Fail(AutomationCode::kException, "a new workbook has 1 to 255 sheets");
                }
                return {};
            case kWorksheets:
                return Worksheets(put, arguments);
            default:
                break;
        }
        ExpectCount(arguments, put ? 1 : 0);
        if (!put) {
            return AutomationValue(visible_);
        }
        const AutomationValue& value = arguments[0];
        if (value.GetKind() == AutomationValue::Kind::Boolean) {
            SetVisible(value.Boolean());
        } else if (value.GetKind() == AutomationValue::Kind::Integer) {
            SetVisible(value.Integer() != 0);
        } else {
            Fail(AutomationCode::kTypeMismatch, "Visible is true or false");
        }
        return {};
    }

    void AddWorkbook() {
        auto book = std::make_shared<Workbook>();
        for (std::int32_t i = 1; i <= sheetsInNewWorkbook_; ++i) {
            book->sheets.push_back(std::make_shared<Worksheet>(DefaultSheetName(static_cast<std::size_t>(i))));
        }
        workbooks_.push_back(book);
        active_ = std::move(book);
    }

private:
    AutomationValue Worksheets(bool put, Arguments arguments) {
        if (put) {
            NotThatWay();
        }
        if (arguments.size() > 1) {
            ExpectCount(arguments, 1);
        }
        if (!active_) {
            Fail(AutomationCode::kException, "there is no workbook");
        }
        if (arguments.empty()) {
            return Make<SheetsObject>(ObjectRef::Share(this), active_);
        }
        return SheetAt(ServerState(), ObjectRef::Share(this), active_, arguments[0]);
    }

    void SetVisible(bool visible) {
        if (visible) {
            for (const auto& book : workbooks_) {
                if (book->handedOver) {
                    continue;
                }
                try {
                    ServerState()->handover->HandOver(*book);
                } catch (const std::exception& error) {
                    Fail(AutomationCode::kException, error.what());
                }
                book->handedOver = true;
            }
        }
        visible_ = visible;
    }

    std::int32_t sheetsInNewWorkbook_ = 1;
    bool visible_ = false;
    std::vector<std::shared_ptr<Workbook>> workbooks_;
    std::shared_ptr<Workbook> active_;
};

AutomationValue WorkbooksObject::Invoke(DispatchId, InvokeKind kind, Arguments arguments, std::uint32_t) {
    if (kind != InvokeKind::Method) {
        NotThatWay();
    }
    ExpectCount(arguments, 0);
    app_.AddWorkbook();
    return {};
}

}  // namespace

WorkbookServer::WorkbookServer(InputLocale locale, std::shared_ptr<WorkbookHandover> handover)
    : state_(std::make_shared<State>(std::move(locale), std::move(handover))) {}

WorkbookServer::~WorkbookServer() = default;

ObjectRef WorkbookServer::CreateApplication() const {
    return ObjectRef::Adopt(new ApplicationObject(state_));
}

void WorkbookServer::RegisterIn(AutomationRegistry& registry, const std::string& programId) const {
    registry.Add(programId, [state = state_] { return ObjectRef::Adopt(new ApplicationObject(state)); });
}

long WorkbookServer::LiveObjects() const {
    return state_->liveObjects;
}
