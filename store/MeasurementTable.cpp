#include "store/MeasurementTable.h"

#include "store/DatabaseSource.h"
#include "store/FieldConverter.h"
#include "store/FieldFormatter.h"
#include "store/FileSource.h"
#include "store/MeasurementStore.h"
#include "store/RowCache.h"
#include "store/RowChangedElsewhere.h"
#include "store/RowKeys.h"
#include "store/RowReader.h"
#include "store/TableFile.h"
#include "store/TableMessages.h"
#include "store/TableObserver.h"
#include "store/TableSource.h"

#include <QStringList>

#include <algorithm>
#include <exception>
#include <limits>
#include <optional>
#include <unordered_set>

namespace {

// An observer that ignores everything, so the table never has to ask whether one is set.
TableObserver& NoObserver() {
    static TableObserver none;
    return none;
}

// Rows read at once when a row is shown or walked that is not held: a screen's worth many times over, read in one
// query, while memory stays small.
constexpr std::size_t kReadRows = 1024;

const FieldValue& EmptyValue() {
    static const FieldValue kEmpty;
    return kEmpty;
}

struct PendingRow {
    enum class Kind { New, Edited };
    Kind kind = Kind::New;
    RowId id = 0;
    MeasurementRow values;
    FieldMask assigned;
    // An edited row's values as they were read when the edit began: what the store must still hold to take it.
    MeasurementRow seen;
};

}  // namespace

struct MeasurementTable::Impl {
    std::unique_ptr<TableSource> source;
    TableObserver* observer = &NoObserver();
    FieldFormatter formatter;
    std::function<QString(MeasurementField)> fieldTitles;

    bool open = false;
    RowKeys rows;
    std::unique_ptr<RowReader> reader;  // while open
    RowCache cache;
    RowId nextId = 1;
    int current = -1;
    std::optional<PendingRow> pending;
    // Visible index of a pending new row (it is always the current row while pending).
    int newRowPosition = -1;

    bool InsertingNew() const { return pending && pending->kind == PendingRow::Kind::New; }
    int VisibleCount() const { return static_cast<int>(rows.size()) + (InsertingNew() ? 1 : 0); }

    // Stored index of a visible row, or -1 for the pending new row.
    int StoredIndex(int row) const {
        if (!InsertingNew() || row < newRowPosition) {
            return row;
        }
        return row == newRowPosition ? -1 : row - 1;
    }
    int VisibleIndex(int stored) const { return InsertingNew() && stored >= newRowPosition ? stored + 1 : stored; }

    int StoredIndexOf(RowId id) const { return rows.IndexOf(id); }

    // The value as kept, or null for a row that does not exist. Holds until the table changes or reads other rows.
    const FieldValue* ValueAt(int row, MeasurementField field) {
        if (!open || row < 0 || row >= VisibleCount()) {
            return nullptr;
        }
        const int stored = StoredIndex(row);
        if (pending && (stored < 0 || rows.Id(stored) == pending->id)) {
            return &FieldOf(pending->values, field);
        }
        return &FieldOf(StoredValues(static_cast<std::size_t>(stored)), field);
    }
    // A stored row's values, read with the rows around it when they are not held. Holds as ValueAt's value.
    const MeasurementRow& StoredValues(std::size_t stored);
    void ReadAround(std::size_t stored);
    // The row `key` was stored with these values, or deleted.
    void Remember(SourceKey key, MeasurementRow values) {
        reader->Stored(key, values);
        cache.Put(key, std::move(values));
    }
    void Forget(SourceKey key) {
        reader->Removed(key);
        cache.Forget(key);
    }

    void RequireOpen() const {
        if (!open) {
            throw TableError(TableMessages::ClosedDatasetText());
        }
    }

    void SetCurrent(int row) {
        current = row;
        observer->CurrentRowChanged(current);
    }

    void Store();
    QString TakeNewerValues(int stored, const MeasurementRow& newer);
    void Discard();
    void Settle() {
        if (pending) {
            pending->assigned.any() ? Store() : Discard();
        }
    }
    void BeginNewRow(int position);
    void DeleteCurrent();
    void DeleteStored(std::vector<RowId>& ids);
    void CloseDiscarding();
    // The store's keys, read again: see FollowStoreChanges.
    void TakeKeys(const std::vector<SourceKey>& keys);
};

const MeasurementRow& MeasurementTable::Impl::StoredValues(std::size_t stored) {
    const SourceKey key = rows.Key(stored);
    if (const MeasurementRow* held = cache.Find(key)) {
        return *held;
    }
    ReadAround(stored);
    return *cache.Find(key);
}

void MeasurementTable::Impl::ReadAround(std::size_t stored) {
    // Reads on in the direction of travel: ahead when walking or scrolling down, behind when going up.
    std::size_t first = 0;
    if (stored > 0 && cache.Find(rows.Key(stored - 1))) {
        first = stored;
    } else if (stored + 1 < rows.size() && cache.Find(rows.Key(stored + 1))) {
        first = stored + 1 > kReadRows ? stored + 1 - kReadRows : 0;
    } else {
        first = stored > kReadRows / 4 ? stored - kReadRows / 4 : 0;
    }
    const std::size_t end = std::min(rows.size(), first + kReadRows);
    std::vector<SourceKey> keys;
    keys.reserve(end - first);
    for (std::size_t i = first; i < end; ++i) {
        keys.push_back(rows.Key(i));
    }
    std::vector<SourceRow> read = reader->Read(keys);
    auto next = read.begin();
    for (const SourceKey key : keys) {
        if (next != read.end() && next->key == key) {
            cache.Put(key, std::move(next->values));
            ++next;
        } else if (!cache.Find(key)) {
            // Another program deleted the row meanwhile: it shows empty, and changing it fails as the source says.
            cache.Put(key, MeasurementRow{});
        }
    }
}

void MeasurementTable::Impl::Store() {
    if (pending->kind == PendingRow::Kind::Edited) {
        const int stored = StoredIndexOf(pending->id);
        const SourceKey key = rows.Key(static_cast<std::size_t>(stored));
        try {
            source->Update(key, pending->seen, pending->values, pending->assigned);
        } catch (const RowChangedElsewhere& conflict) {
            throw TableError(TakeNewerValues(stored, conflict.Stored()));
        }
        Remember(key, std::move(pending->values));
        pending.reset();
        observer->RowChanged(VisibleIndex(stored));
        return;
    }
    // The source fills in Num; work on a copy so that a failure leaves the pending row as it was.
    MeasurementRow values = pending->values;
    const SourceKey key = source->Insert(values);
    const RowId id = pending->id;
    const int last = static_cast<int>(rows.size());
    Remember(key, std::move(values));
    if (newRowPosition == last) {
        pending.reset();
        rows.Append(id, key);
        observer->RowChanged(last);
    } else {
        observer->BeginRemoveRow(newRowPosition);
        pending.reset();
        observer->EndRemoveRow();
        observer->BeginInsertRow(last);
        rows.Append(id, key);
        observer->EndInsertRow();
    }
    newRowPosition = -1;
    SetCurrent(last);
}

// Another station changed the edited row meanwhile: the row shows their values, with the user's own changes kept
// on top of them and still pending, so that storing it again is a choice made knowingly and Cancel shows theirs.
// Returns the message that tells so.
QString MeasurementTable::Impl::TakeNewerValues(int stored, const MeasurementRow& newer) {
    QStringList changes;
    for (std::size_t i = 0; i < newer.size(); ++i) {
        if (SameStoredValue(newer[i], pending->seen[i])) {
            continue;
        }
        const auto field = static_cast<MeasurementField>(i);
        const QString text = formatter.DisplayText(field, newer[i]);
        const QString title = fieldTitles ? fieldTitles(field) : QString();
        changes << (title.isEmpty() ? MeasurementFieldName(field) : title) + QLatin1Char(' ') +
                       (text.isEmpty() ? QStringLiteral("пусто") : QStringLiteral("«%1»").arg(text));
        if (!pending->assigned.test(i)) {
            pending->values[i] = newer[i];
        }
    }
    pending->seen = newer;
    cache.Put(rows.Key(static_cast<std::size_t>(stored)), newer);
    observer->RowChanged(VisibleIndex(stored));
    return TableMessages::RowChangedElsewhereText(changes.join(QStringLiteral(", ")));
}

void MeasurementTable::Impl::Discard() {
    if (pending->kind == PendingRow::Kind::Edited) {
        const int stored = StoredIndexOf(pending->id);
        pending.reset();
        observer->RowChanged(VisibleIndex(stored));
        return;
    }
    const int position = newRowPosition;
    observer->BeginRemoveRow(position);
    pending.reset();
    newRowPosition = -1;
    observer->EndRemoveRow();
    // The row that was below the new one becomes current, or the last row when there is none.
    SetCurrent(std::min(position, static_cast<int>(rows.size()) - 1));
}

void MeasurementTable::Impl::BeginNewRow(int position) {
    observer->BeginInsertRow(position);
    pending = PendingRow{PendingRow::Kind::New, nextId++, {}, {}, {}};
    newRowPosition = position;
    observer->EndInsertRow();
    SetCurrent(position);
}

void MeasurementTable::Impl::DeleteCurrent() {
    const int stored = StoredIndex(current);
    const SourceKey key = rows.Key(static_cast<std::size_t>(stored));
    source->Remove(key);
    Forget(key);
    pending.reset();  // an edit of the deleted row goes with it
    observer->BeginRemoveRow(current);
    rows.Erase(static_cast<std::size_t>(stored));
    observer->EndRemoveRow();
    SetCurrent(std::min(current, static_cast<int>(rows.size()) - 1));
}

// Deletes the stored rows `ids` from the last to the first, with no row pending, in one call of the source, and
// then shows the deletions one by one as deleting each in turn would: the row made current, then gone. Takes the
// deleted rows off `ids`; on a failure the ones not deleted stay, the row that failed is current, and the error is
// raised.
void MeasurementTable::Impl::DeleteStored(std::vector<RowId>& ids) {
    std::vector<SourceKey> keys;
    keys.reserve(ids.size());
    // A row listed twice is deleted once. The set is only built when some row is: it would take more memory than
    // the list itself.
    std::vector<RowId> sorted = ids;
    std::sort(sorted.begin(), sorted.end());
    const bool repeated = std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end();
    sorted = {};
    std::unordered_set<RowId> taken;
    for (auto id = ids.rbegin(); id != ids.rend(); ++id) {
        const int stored = rows.IndexOf(*id);
        if (stored >= 0 && (!repeated || taken.insert(*id).second)) {
            keys.push_back(rows.Key(static_cast<std::size_t>(stored)));
        }
    }
    if (keys.empty()) {
        ids.clear();
        return;
    }
    const auto makeCurrent = [this](int stored) {
        if (stored != current) {
            SetCurrent(stored);
        }
    };
    const auto stopAtFailed = [&] {
        while (!ids.empty() && rows.IndexOf(ids.back()) < 0) {
            ids.pop_back();
        }
        if (!ids.empty()) {
            makeCurrent(rows.IndexOf(ids.back()));
        }
    };
    std::exception_ptr failure;
    std::size_t removed = 0;
    try {
        removed = source->RemoveRows(keys, failure);
    } catch (...) {
        stopAtFailed();
        throw;
    }
    for (std::size_t done = 0; done < removed; ids.pop_back()) {
        const int stored = rows.IndexOf(ids.back());
        if (stored < 0) {
            continue;
        }
        makeCurrent(stored);
        Forget(rows.Key(static_cast<std::size_t>(stored)));
        observer->BeginRemoveRow(stored);
        rows.Erase(static_cast<std::size_t>(stored));
        observer->EndRemoveRow();
        SetCurrent(std::min(stored, static_cast<int>(rows.size()) - 1));
        ++done;
    }
    if (failure) {
        stopAtFailed();
        std::rethrow_exception(failure);
    }
    ids.clear();  // what is left was gone already
}

void MeasurementTable::Impl::CloseDiscarding() {
    if (!open) {
        return;
    }
    observer->BeginReset();
    pending.reset();
    newRowPosition = -1;
    rows.Clear();
    cache.Clear();
    reader.reset();
    current = -1;
    open = false;
    source->Disconnect();
    observer->EndReset();
    observer->CurrentRowChanged(-1);
}

MeasurementTable::MeasurementTable(std::unique_ptr<TableSource> source) : impl_(std::make_unique<Impl>()) {
    impl_->source = std::move(source);
}

MeasurementTable::~MeasurementTable() {
    impl_->observer = &NoObserver();  // a view may already be gone
    try {
        Close(PendingRowAtClose::Store);
    } catch (const std::exception&) {
        // Nothing can be reported from here; the program closes explicitly first to show such an error.
        impl_->CloseDiscarding();
    }
}

void MeasurementTable::OpenTable() {
    if (impl_->open) {
        return;
    }
    // A store is read by parts: its keys and its first rows now, the others as they are shown. A source read whole
    // is held as read. The table stays closed, and so invisible to its observer, until all of that has worked.
    try {
        std::vector<SourceKey> keys;
        if (MeasurementStore* store = impl_->source->Store()) {
            keys = store->ReadKeys();
            impl_->reader = std::make_unique<StoreRowReader>(*store);
        } else {
            auto loaded = std::make_unique<LoadedRowReader>(impl_->source->ReadAll());
            keys = loaded->Keys();
            impl_->reader = std::move(loaded);
        }
        impl_->nextId = impl_->rows.Adopt(keys, impl_->nextId);
        if (!impl_->rows.empty()) {
            impl_->ReadAround(0);
        }
    } catch (...) {
        impl_->rows.Clear();
        impl_->cache.Clear();
        impl_->reader.reset();
        impl_->source->Disconnect();  // a closed table holds no connection
        throw;
    }
    impl_->observer->BeginReset();
    impl_->open = true;
    impl_->current = impl_->rows.empty() ? -1 : 0;
    impl_->observer->EndReset();
    impl_->observer->CurrentRowChanged(impl_->current);
}

void MeasurementTable::InsertRow() {
    impl_->RequireOpen();
    impl_->Settle();
    impl_->BeginNewRow(std::max(impl_->current, 0));
}

void MeasurementTable::SetField(QStringView fieldName, const FieldValue& value) {
    impl_->RequireOpen();
    const std::optional<MeasurementField> field = MeasurementFieldByName(fieldName);
    if (!field) {
        throw TableError(TableMessages::FieldNotFoundText(fieldName));
    }
    if (!impl_->pending) {
        throw TableError(TableMessages::NotEditingText());
    }
    FieldValue converted = FieldConverter(impl_->formatter).Convert(*field, value);
    impl_->source->CheckValue(*field, converted);
    FieldOf(impl_->pending->values, *field) = std::move(converted);
    impl_->pending->assigned.set(static_cast<std::size_t>(*field));
    impl_->observer->RowChanged(impl_->current);
}

void MeasurementTable::PostRow() {
    impl_->RequireOpen();
    if (impl_->pending) {
        impl_->Store();
    }
}

QString MeasurementTable::FieldText(QStringView fieldName) const {
    impl_->RequireOpen();
    const std::optional<MeasurementField> field = MeasurementFieldByName(fieldName);
    if (!field) {
        throw TableError(TableMessages::FieldNotFoundText(fieldName));
    }
    return PlainText(impl_->current, *field);
}

void MeasurementTable::SaveTableFile(const QString& name) {
    persist::Recordset scratch;
    TableFile::Write(RowsAsSaved(scratch), name);
    impl_->source->ChangesSaved();
}

void MeasurementTable::LoadTableFile(const QString& name, std::unique_ptr<TableSource> connection) {
    ReplaceSource(
        std::make_unique<FileSource>(name, connection ? std::move(connection) : std::make_unique<DatabaseSource>()));
    OpenTable();
}

void MeasurementTable::DeleteRow() {
    impl_->RequireOpen();
    if (impl_->InsertingNew()) {
        impl_->Discard();
        return;
    }
    if (impl_->rows.empty()) {
        throw TableError(TableMessages::EmptyDatasetText());
    }
    impl_->DeleteCurrent();
}

void MeasurementTable::DeleteSelectedRows(std::vector<RowId>& selection) {
    if (selection.empty()) {
        return;
    }
    impl_->RequireOpen();
    // The list is taken over first: the caller may be told of each deletion and take the row out of its list
    // meanwhile. Should a deletion fail, the rows not deleted yet stay selected.
    std::vector<RowId> rows;
    rows.swap(selection);
    try {
        // One by one while a pending row is there to be settled or discarded on the way; then every row left is a
        // stored row, and they go together.
        while (!rows.empty() && impl_->pending) {
            const int row = IndexOf(rows.back());
            if (row >= 0) {
                MoveTo(row);
                DeleteRow();
            }
            rows.pop_back();
        }
        impl_->DeleteStored(rows);
    } catch (...) {
        selection = std::move(rows);
        throw;
    }
}

void MeasurementTable::DeleteRows(int count) {
    impl_->RequireOpen();
    for (; count > 0 && impl_->pending; --count) {
        DeleteRow();  // a new row is discarded, an edited one deleted
    }
    if (count <= 0) {
        return;
    }
    if (impl_->rows.empty()) {
        throw TableError(TableMessages::EmptyDatasetText());
    }
    // Deleting the current row over and over takes the rows from it to the last, then those above it upwards.
    const int size = static_cast<int>(impl_->rows.size());
    const int deleted = std::min(count, size);
    const int first = impl_->current;
    std::vector<RowId> ids;  // the last to go first, as DeleteStored takes them from the end
    ids.reserve(static_cast<std::size_t>(deleted));
    for (int k = deleted - 1; k >= 0; --k) {
        const int row = k < size - first ? first + k : size - 1 - k;
        ids.push_back(impl_->rows.Id(static_cast<std::size_t>(row)));
    }
    impl_->DeleteStored(ids);
    if (count > deleted) {
        throw TableError(TableMessages::EmptyDatasetText());
    }
}

int MeasurementTable::RowCount() const {
    impl_->RequireOpen();
    return static_cast<int>(impl_->rows.size());
}

void MeasurementTable::MoveFirst() {
    impl_->RequireOpen();
    impl_->Settle();
    impl_->SetCurrent(impl_->VisibleCount() > 0 ? 0 : -1);
}

void MeasurementTable::MoveNext() {
    impl_->RequireOpen();
    impl_->Settle();
    if (impl_->current + 1 < impl_->VisibleCount()) {
        impl_->SetCurrent(impl_->current + 1);
    }
}

void MeasurementTable::Close() {
    impl_->CloseDiscarding();
}

void MeasurementTable::Close(PendingRowAtClose pendingRow) {
    if (pendingRow == PendingRowAtClose::Store && impl_->open) {
        impl_->Settle();
    }
    impl_->CloseDiscarding();
}

bool MeasurementTable::IsOpen() const {
    return impl_->open;
}

TableState MeasurementTable::State() const {
    if (!impl_->open) {
        return TableState::Closed;
    }
    if (!impl_->pending) {
        return TableState::Browse;
    }
    return impl_->InsertingNew() ? TableState::Insert : TableState::Edit;
}

int MeasurementTable::VisibleRowCount() const {
    return impl_->open ? impl_->VisibleCount() : 0;
}

int MeasurementTable::CurrentRow() const {
    return impl_->current;
}

void MeasurementTable::MoveTo(int row) {
    impl_->RequireOpen();
    if (row == impl_->current || row < 0 || row >= impl_->VisibleCount()) {
        return;
    }
    const RowId target = IdAt(row);
    impl_->Settle();
    const int moved = IndexOf(target);
    if (moved >= 0) {
        impl_->SetCurrent(moved);
    }
}

void MeasurementTable::AppendRow() {
    impl_->RequireOpen();
    impl_->Settle();
    impl_->BeginNewRow(static_cast<int>(impl_->rows.size()));
}

void MeasurementTable::Edit() {
    impl_->RequireOpen();
    if (impl_->pending) {
        return;
    }
    if (impl_->rows.empty()) {
        impl_->BeginNewRow(0);
        return;
    }
    const auto stored = static_cast<std::size_t>(impl_->StoredIndex(impl_->current));
    const MeasurementRow& values = impl_->StoredValues(stored);
    impl_->pending = PendingRow{PendingRow::Kind::Edited, impl_->rows.Id(stored), values, {}, values};
    impl_->observer->RowChanged(impl_->current);
}

void MeasurementTable::Cancel() {
    if (impl_->open && impl_->pending) {
        impl_->Discard();
    }
}

bool MeasurementTable::PendingModified() const {
    return impl_->pending && impl_->pending->assigned.any();
}

bool MeasurementTable::HasUnsavedChanges() const {
    return PendingModified() || impl_->source->HasUnsavedChanges();
}

RowId MeasurementTable::IdAt(int row) const {
    if (!impl_->open || row < 0 || row >= impl_->VisibleCount()) {
        return 0;
    }
    const int stored = impl_->StoredIndex(row);
    return stored < 0 ? impl_->pending->id : impl_->rows.Id(stored);
}

int MeasurementTable::IndexOf(RowId id) const {
    if (!impl_->open) {
        return -1;
    }
    if (impl_->InsertingNew() && impl_->pending->id == id) {
        return impl_->newRowPosition;
    }
    const int stored = impl_->StoredIndexOf(id);
    return stored < 0 ? -1 : impl_->VisibleIndex(stored);
}

const FieldValue& MeasurementTable::Value(int row, MeasurementField field) const {
    const FieldValue* value = impl_->ValueAt(row, field);
    return value ? *value : EmptyValue();
}

QString MeasurementTable::DisplayText(int row, MeasurementField field) const {
    const FieldValue* value = impl_->ValueAt(row, field);
    return value ? impl_->formatter.DisplayText(field, *value) : QString();
}

QString MeasurementTable::PlainText(int row, MeasurementField field) const {
    const FieldValue* value = impl_->ValueAt(row, field);
    return value ? impl_->formatter.PlainText(field, *value) : QString();
}

bool MeasurementTable::FollowStoreChanges() {
    MeasurementStore* store = impl_->open ? impl_->source->Store() : nullptr;
    if (!store || !store->CheckForChanges()) {
        return false;
    }
    impl_->TakeKeys(store->ReadKeys());
    return true;
}

void MeasurementTable::Impl::TakeKeys(const std::vector<SourceKey>& keys) {
    const SourceKey pendingKey = pending && pending->kind == PendingRow::Kind::Edited
                                     ? rows.Key(static_cast<std::size_t>(StoredIndexOf(pending->id)))
                                     : -1;
    // Both lists are in the order of Num: a row of the table that the store no longer has was deleted elsewhere.
    std::vector<std::size_t> gone;
    std::size_t next = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const SourceKey key = rows.Key(i);
        while (next < keys.size() && keys[next] < key) {
            ++next;  // a row added elsewhere among the table's rows: taken in below
        }
        if (next < keys.size() && keys[next] == key) {
            ++next;
        } else if (key != pendingKey) {
            gone.push_back(i);
        }
    }
    for (auto stored = gone.rbegin(); stored != gone.rend(); ++stored) {
        const int row = VisibleIndex(static_cast<int>(*stored));
        cache.Forget(rows.Key(*stored));
        observer->BeginRemoveRow(row);
        rows.Erase(*stored);
        if (InsertingNew() && newRowPosition > row) {
            --newRowPosition;
        }
        const bool wasCurrent = current == row;
        if (current > row) {
            --current;
        }
        observer->EndRemoveRow();
        if (wasCurrent || current >= VisibleCount()) {
            SetCurrent(std::min(row, VisibleCount() - 1));
        }
    }
    // Rows added elsewhere come at their place in the order of Num: mostly at the end, and among the table's rows
    // when their station took its Num before this one took its own but stored the row after.
    std::size_t at = 0;
    for (const SourceKey key : keys) {
        while (at < rows.size() && rows.Key(at) < key) {
            ++at;
        }
        if (at < rows.size() && rows.Key(at) == key) {
            ++at;
            continue;
        }
        const int row = VisibleIndex(static_cast<int>(at));
        observer->BeginInsertRow(row);
        rows.Insert(at, nextId++, key);
        if (InsertingNew() && static_cast<int>(at) < newRowPosition) {
            ++newRowPosition;
        }
        if (current >= row) {
            ++current;
        }
        observer->EndInsertRow();
        ++at;
    }
    SetCurrent(current < 0 && VisibleCount() > 0 ? 0 : current);  // also tells where the current row is now
    // Values changed elsewhere are read again as they are shown.
    cache.Clear();
    observer->AllRowsChanged();
}

void MeasurementTable::SetFieldTitles(std::function<QString(MeasurementField)> titles) {
    impl_->fieldTitles = std::move(titles);
}

void MeasurementTable::SetObserver(TableObserver* observer) {
    impl_->observer = observer ? observer : &NoObserver();
}

void MeasurementTable::Connect() {
    impl_->source->Connect();
}

void MeasurementTable::SettlePendingRow() {
    impl_->RequireOpen();
    impl_->Settle();
}

namespace {

// The table's stored rows for a source that saves them.
class RowsOfTable final : public TableRows {
public:
    explicit RowsOfTable(std::size_t count, std::function<const MeasurementRow&(std::size_t)> row)
        : count_(count), row_(std::move(row)) {}
    std::size_t Count() const override { return count_; }
    void ForEach(const std::function<void(const MeasurementRow&)>& visit) const override {
        for (std::size_t i = 0; i < count_; ++i) {
            visit(row_(i));
        }
    }

private:
    std::size_t count_;
    std::function<const MeasurementRow&(std::size_t)> row_;
};

}  // namespace

const persist::Recordset& MeasurementTable::RowsAsSaved(persist::Recordset& scratch) {
    SettlePendingRow();
    const RowsOfTable rows(impl_->rows.size(),
                           [this](std::size_t stored) -> const MeasurementRow& { return impl_->StoredValues(stored); });
    return impl_->source->RowsAsSaved(rows, scratch);
}

void MeasurementTable::ReplaceSource(std::unique_ptr<TableSource> source) {
    Close();
    impl_->source = std::move(source);
}

TableSource& MeasurementTable::Source() {
    return *impl_->source;
}
