// The symbol table and name resolution. Units, symbols, classes and methods live
// in plain vectors owned by the table. The adders, IsUnitName and (in a sorted
// table, for a name no other unit shares) FindUnit reach a unit through a hash
// index of folded names that always yields the first registered match, so a
// run stays linear however many units it has. The visible symbols
// of a unit are such an index too, keeping the first entry to become visible
// (the unit's own symbols first), so a lookup costs one hash and, as a rule,
// one string comparison, and building a list hashes no string again.
#include "symbols.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <unordered_set>
#include <utility>

#include "compare.h"
#include "error.h"
#include "folded_index.h"

namespace corvanet {
namespace {

constexpr std::string_view KindNames[] = {
    "Variable", "Constant", "Class/Object", "Function",   "Procedure",
    "Type",     "Label",    "Constructor",  "Destructor", "Record",
    "Interface", "Operator", "Property",
};
static_assert(std::size(KindNames) == skProperty + 1, "one display text per TSymbolKind");

constexpr std::size_t NoIndex = std::numeric_limits<std::size_t>::max();

// The binary search of every lookup of the sorted table. It ends at the first
// equal entry that the halving meets, which among several equal keys is not
// always the first of them; the answer is still a fixed function of the table.
template <class Elm>
int HalvingSearch(const std::vector<Elm>& List, std::string_view Name) noexcept {
    std::ptrdiff_t low = 0;
    std::ptrdiff_t high = static_cast<std::ptrdiff_t>(List.size()) - 1;
    while (low <= high) {
        const std::ptrdiff_t probe = (low + high) / 2;
        const int order = CompareText(List[static_cast<std::size_t>(probe)].Name, Name);
        if (order < 0) {
            low = probe + 1;
        } else {
            high = probe - 1;
            if (order == 0) return static_cast<int>(probe);
        }
    }
    return -1;
}

template <class Elm>
void SortByName(std::vector<Elm>& List) {
    std::stable_sort(List.begin(), List.end(),
                     [](const Elm& a, const Elm& b) { return CompareText(a.Name, b.Name) < 0; });
}

// The folded-key hash of every symbol of the table, computed once after the
// table last changed, so that no list of pass 2 hashes a string of a used unit
// again. Unit u's symbols are at [RunStart[u], RunStart[u + 1]).
struct TSymbolHashes {
    std::vector<std::uint64_t> Hashes;
    std::vector<std::size_t> RunStart;

    explicit TSymbolHashes(const std::vector<TURElm>& Units) {
        RunStart.reserve(Units.size() + 1);
        for (const auto& unit : Units) {
            RunStart.push_back(Hashes.size());
            for (const auto& symbol : unit.Symbols) Hashes.push_back(FoldedHash(symbol.Name));
        }
        RunStart.push_back(Hashes.size());
    }
};

// A symbol of the table as the index of its unit and its index there; as an
// entry of a TFoldedIndex, the unit's index in the high half, the symbol's in
// the low.
using TSymbolAt = std::pair<std::size_t, std::size_t>;

std::uint64_t Pack(std::size_t Unit, std::size_t Symbol) noexcept { return std::uint64_t{Unit} << 32 | Symbol; }

TSymbolAt Unpack(std::uint64_t Entry) noexcept {
    return {static_cast<std::size_t>(Entry >> 32), static_cast<std::size_t>(Entry & 0xFFFFFFFFu)};
}

// Whether an entry's symbol is named Name (ignoring case).
auto SymbolNamed(std::string_view Name, const std::vector<TURElm>& Units) noexcept {
    return [Name, &Units](std::uint64_t Entry) {
        const auto [unit, symbol] = Unpack(Entry);
        return SameText(Units[unit].Symbols[symbol].Name, Name);
    };
}

// The symbols one unit of pass 2 can see, indexed by folded name, keeping of
// several equal keys the first to become visible (the unit's own symbols,
// then the used units in the order added, each in its sorted order). A unit
// named again (in both uses clauses, or its own name) is not entered twice:
// its second copy could never be the first.
class TVisibleSet {
public:
    explicit TVisibleSet(std::size_t UnitCount) : added_(UnitCount, false) {}

    void AddUnits(const std::vector<int>& Indexes, const std::vector<TURElm>& Units, const TSymbolHashes& Keys) {
        std::size_t incoming = 0;
        for (const int index : Indexes) incoming += Units[static_cast<std::size_t>(index)].Symbols.size();
        index_.Reserve(index_.Size() + incoming);
        for (const int index : Indexes) {
            const auto unit = static_cast<std::size_t>(index);
            if (added_[unit]) continue;
            added_[unit] = true;
            for (std::size_t s = 0; s < Units[unit].Symbols.size(); ++s) {
                index_.Insert(Keys.Hashes[Keys.RunStart[unit] + s], Pack(unit, s),
                              SymbolNamed(Units[unit].Symbols[s].Name, Units));
            }
        }
    }

    // Unit and symbol index of the answer, or nothing.
    std::optional<TSymbolAt> Find(const THashedName& Name, const std::vector<TURElm>& Units) const {
        const std::uint64_t found = index_.Find(Name.Hash, SymbolNamed(Name.Text, Units));
        if (found == TFoldedIndex::NoValue) return std::nullopt;
        return Unpack(found);
    }

private:
    TFoldedIndex index_;
    std::vector<bool> added_;  // per unit: already visible
};

// The units with their entries, and what is derived from them alone. A sorted
// table is only read from then on, so a copy of it shares its data (the output
// pass's second reader resolves names in a table of its own without copying
// 20,000 names first); shared data is never changed: a table that changes
// while it shares its data takes a copy of its own first.
struct TTableData {
    std::vector<TURElm> Units;
    TFoldedIndex FirstUnit;  // registered name -> index of its first entry in Units
    // The first part, lower-cased, of each dotted registered name ("vcl" of
    // Vcl.Forms): a name with such a first part may qualify a unit's symbol.
    std::unordered_set<std::string> DottedHeads;
    std::vector<std::string> Scopes;  // unit scope names
    std::optional<TSymbolHashes> KeyHashes;
};

}  // namespace

struct TSymbolTable::Impl {
    explicit Impl(const std::uint8_t& Pass) : CurrentPass(Pass) {}

    const std::uint8_t& CurrentPass;
    std::shared_ptr<TTableData> Data = std::make_shared<TTableData>();
    bool Shared = false;  // another table may read Data, on another thread
    bool Sorted = false;  // unchanged since SortSymbolTable
    std::size_t LastUnit = NoIndex;  // the unit the last adder found (a first match)
    std::size_t LastClassUnit = NoIndex;
    std::size_t LastClass = NoIndex;  // the class the last AddMember found there
    std::optional<TVisibleSet> Visible;

    const std::vector<TURElm>& Units() const noexcept { return Data->Units; }
    // The data, to be changed: a copy of its own first if it is shared.
    TTableData& Change() {
        if (Shared) {
            Data = std::make_shared<TTableData>(*Data);
            Shared = false;
        }
        Sorted = false;
        return *Data;
    }

    std::size_t FindFirstUnit(std::string_view Name);
    // The unit the symbol pass records into, or NoIndex: nothing is recorded
    // in another pass, nor where Now is false (an implementation read for
    // its anchors records only those).
    std::size_t RecordingUnit(std::string_view Name, bool Now = true) {
        return CurrentPass == 1 && Now ? FindFirstUnit(Name) : NoIndex;
    }
    std::size_t IndexedUnit(const THashedName& Name) const;
    void IndexUnit(std::size_t Unit);
    // Whether the unit at an index is named Name (ignoring case).
    auto UnitNamed(std::string_view Name) const noexcept {
        return [this, Name](std::uint64_t Unit) {
            return SameText(Units()[static_cast<std::size_t>(Unit)].Name, Name);
        };
    }
    TCRElm* FindFirstClass(std::size_t Unit, std::string_view ClassName);
    void Clear();
    void TableChanged();
    void IndexUnits();
    void MakeVisible(const std::vector<int>& UnitIndexes);
};

// First match of a linear search from the start of UnitList, or NoIndex. The
// remembered unit stays a first match: units are only ever appended.
std::size_t TSymbolTable::Impl::FindFirstUnit(std::string_view Name) {
    if (LastUnit < Units().size() && SameText(Units()[LastUnit].Name, Name)) return LastUnit;
    const std::size_t found = IndexedUnit(THashedName(Name));
    if (found != NoIndex) LastUnit = found;
    return found;
}

// The first unit registered under Name, or NoIndex.
std::size_t TSymbolTable::Impl::IndexedUnit(const THashedName& Name) const {
    const std::uint64_t found = Data->FirstUnit.Find(Name.Hash, UnitNamed(Name.Text));
    return found == TFoldedIndex::NoValue ? NoIndex : static_cast<std::size_t>(found);
}

// Enters the unit at Unit unless one of its name is there already.
void TSymbolTable::Impl::IndexUnit(std::size_t Unit) {
    const std::string_view name = Units()[Unit].Name;
    TTableData& data = Change();
    data.FirstUnit.Insert(FoldedHash(name), Unit, UnitNamed(name));
    if (const std::size_t period = name.find('.'); period != std::string_view::npos)
        data.DottedHeads.insert(LowerAscii(name.substr(0, period)));
}

TCRElm* TSymbolTable::Impl::FindFirstClass(std::size_t Unit, std::string_view ClassName) {
    auto& classes = Change().Units[Unit].Classes;
    if (LastClassUnit == Unit && LastClass < classes.size() && SameText(classes[LastClass].Name, ClassName))
        return &classes[LastClass];
    for (std::size_t c = 0; c < classes.size(); ++c) {
        if (SameText(classes[c].Name, ClassName)) {
            LastClassUnit = Unit;
            LastClass = c;
            return &classes[c];
        }
    }
    return nullptr;
}

void TSymbolTable::Impl::Clear() {
    Data = std::make_shared<TTableData>();
    Shared = Sorted = false;
    LastUnit = LastClassUnit = LastClass = NoIndex;
    Visible.reset();
}

// The resolution data and a visible list describe the table as it was; any
// change to units or symbols makes them stale.
void TSymbolTable::Impl::TableChanged() {
    Change().KeyHashes.reset();
    Visible.reset();
}

void TSymbolTable::Impl::IndexUnits() {
    TTableData& data = Change();
    data.FirstUnit.Clear();
    data.DottedHeads.clear();
    data.FirstUnit.Reserve(data.Units.size());
    for (std::size_t u = 0; u < data.Units.size(); ++u) IndexUnit(u);  // in list order: keeps the first
    LastUnit = LastClassUnit = LastClass = NoIndex;
}

void TSymbolTable::Impl::MakeVisible(const std::vector<int>& UnitIndexes) {
    for (const int index : UnitIndexes)
        if (index < 0 || static_cast<std::size_t>(index) >= Units().size())
            throw CorvanetError("List index out of bounds (" + std::to_string(index) + ")");
    // Shared data has its hashes already (CopyTable); this table's own may be completed.
    if (!Data->KeyHashes) Data->KeyHashes.emplace(Units());
    if (!Visible) Visible.emplace(Units().size());
    Visible->AddUnits(UnitIndexes, Units(), *Data->KeyHashes);
}

std::string_view SymbolKindName(TSymbolKind Kind) noexcept {
    const auto index = static_cast<std::size_t>(Kind);
    return index < std::size(KindNames) ? KindNames[index] : std::string_view();
}

std::string_view FileNamePart(std::string_view Path) noexcept {
    const std::size_t separator = Path.find_last_of("/\\:");
    return separator == std::string_view::npos ? Path : Path.substr(separator + 1);
}

std::string ReplaceExtension(std::string_view FileName, std::string_view Extension) {
    if (FileName.empty()) return {};
    std::string_view name = FileName;
    if (name.front() == '"') name = name.size() >= 2 ? name.substr(1, name.size() - 2) : std::string_view();
    // Names shorter than the extension they are assumed to carry come out empty.
    const std::size_t cut = Extension.empty() ? 4 : 3;
    std::string result(name.substr(0, name.size() > cut ? name.size() - cut : 0));
    result += Extension;
    return result;
}

TSymbolTable::TSymbolTable(const std::uint8_t& CurrentPass) : impl_(std::make_unique<Impl>(CurrentPass)) {}

TSymbolTable::~TSymbolTable() = default;

void TSymbolTable::CreateUnitList() {
    impl_->Clear();
    Pages.Clear();
}

void TSymbolTable::DestroyUnitList() {
    impl_->Clear();
    Pages.Clear();
    CurrentUnit.clear();
    CurrentClass.clear();
}

void TSymbolTable::CopyTable(const TSymbolTable& From) {
    impl_->Clear();
    Impl& from = *From.impl_;
    if (!from.Sorted) {
        impl_->Data->Units = from.Units();
        impl_->IndexUnits();
        return;
    }
    // Sorted: shared, with the hashes every list of visible symbols needs.
    if (!from.Data->KeyHashes) from.Data->KeyHashes.emplace(from.Units());
    impl_->Data = from.Data;
    impl_->Shared = from.Shared = true;
    impl_->Sorted = true;
}

void TSymbolTable::AddUnit(std::string_view Path, std::string_view Name) {
    if (impl_->CurrentPass != 0) return;
    TURElm unit;
    unit.Name = Name.empty() ? ReplaceExtension(FileNamePart(Path), "") : std::string(Name);
    unit.Path = Path;
    unit.Page = Pages.Claim(unit.Name, Path);
    impl_->Change().Units.push_back(std::move(unit));
    impl_->IndexUnit(impl_->Units().size() - 1);  // a second registration keeps the first
    impl_->TableChanged();
}

// An unregistered unit or class is ignored rather than reported: the parser
// records methods under CurrentClass, which a set-typed field empties, and a
// constructor heading after such a field names no class at all.
void TSymbolTable::AddSymbol(std::string_view UnitName, std::string_view Name, TSymbolKind Kind) {
    const std::size_t unit = impl_->RecordingUnit(UnitName, !AnchorsOnly);
    if (unit == NoIndex) return;
    impl_->Change().Units[unit].Symbols.push_back(TRefElm{std::string(Name), Kind});
    impl_->TableChanged();
}

void TSymbolTable::AddClass(std::string_view UnitName, std::string_view ClassName) {
    const std::size_t unit = impl_->RecordingUnit(UnitName, !AnchorsOnly);
    if (unit == NoIndex) return;
    impl_->Change().Units[unit].Classes.push_back(TCRElm{std::string(ClassName), {}, {}, {}});
}

void TSymbolTable::AddMember(std::string_view UnitName, std::string_view ClassName, std::string_view Name,
                             TSymbolKind Kind) {
    const std::size_t unit = impl_->RecordingUnit(UnitName, !AnchorsOnly);
    if (unit == NoIndex) return;
    if (TCRElm* owner = impl_->FindFirstClass(unit, ClassName))
        owner->Members.push_back(TRefElm{std::string(Name), Kind});
}

void TSymbolTable::AddCaption(std::string_view UnitName, std::string_view Key, std::string_view Caption) {
    const std::size_t unit = impl_->RecordingUnit(UnitName, !AnchorsOnly);
    if (unit == NoIndex) return;
    impl_->Change().Units[unit].Captions.push_back(TCaption{std::string(Key), std::string(Caption)});
}

// A unit without symbols yet has no last symbol to change; that is ignored.
void TSymbolTable::SetLastSymbolKind(TSymbolKind Kind) {
    const std::size_t unit = impl_->RecordingUnit(CurrentUnit, !AnchorsOnly);
    if (unit == NoIndex || impl_->Units()[unit].Symbols.empty()) return;
    impl_->Change().Units[unit].Symbols.back().Kind = Kind;
}

void TSymbolTable::AddAnchor(std::string_view UnitName, std::string Key) {
    const std::size_t unit = impl_->RecordingUnit(UnitName);
    if (unit == NoIndex) return;
    impl_->Change().Units[unit].Anchors.push_back(std::move(Key));
}

void TSymbolTable::SetAncestor(std::string_view UnitName, std::string_view ClassName, std::string_view Key) {
    const std::size_t unit = impl_->RecordingUnit(UnitName, !AnchorsOnly);
    if (unit == NoIndex) return;
    if (TCRElm* owner = impl_->FindFirstClass(unit, ClassName)) owner->Ancestor = Key;
}

void TSymbolTable::AddBodilessClass(std::string_view UnitName, std::string_view ClassName, std::string_view Ancestor) {
    const std::size_t unit = impl_->RecordingUnit(UnitName, !AnchorsOnly);
    if (unit == NoIndex) return;
    TCRElm Class;
    Class.Name = ClassName;
    Class.Ancestor = Ancestor;
    impl_->Change().Units[unit].Bodiless.push_back(std::move(Class));
}

void TSymbolTable::AddOtherName(std::string_view UnitName, std::string_view ClassName, std::string_view Name) {
    const std::size_t unit = impl_->RecordingUnit(UnitName, !AnchorsOnly);
    if (unit == NoIndex) return;
    if (TCRElm* owner = impl_->FindFirstClass(unit, ClassName)) owner->OtherNames.emplace_back(Name);
}

void TSymbolTable::SetUses(std::string_view UnitName, std::vector<std::string> Names) {
    const std::size_t unit = impl_->RecordingUnit(UnitName, !AnchorsOnly);
    if (unit == NoIndex) return;
    impl_->Change().Units[unit].Uses = std::move(Names);
}

void TSymbolTable::AddDeclaration(std::string_view UnitName, std::string Key) {
    const std::size_t unit = impl_->RecordingUnit(UnitName, !AnchorsOnly);
    if (unit == NoIndex) return;
    impl_->Change().Units[unit].Declarations.push_back(std::move(Key));
}

void TSymbolTable::AddOverloads(std::string_view UnitName, TOverloads Overloads) {
    const std::size_t unit = impl_->RecordingUnit(UnitName);
    if (unit == NoIndex) return;
    impl_->Change().Units[unit].Overloads.push_back(std::move(Overloads));
}

bool TSymbolTable::HasAnchor(std::string_view UnitName, std::string_view Key) const {
    const int unit = FindUnit(UnitName);
    if (unit < 0) return false;
    const TURElm& found = impl_->Units()[static_cast<std::size_t>(unit)];
    return std::binary_search(found.Anchors.begin(), found.Anchors.end(), Key, std::less<>()) ||
           std::binary_search(found.Declarations.begin(), found.Declarations.end(), Key, std::less<>());
}

bool TSymbolTable::HasBodyAnchor(std::string_view UnitName, std::string_view Key) const {
    return HasBodyAnchor(FindUnit(UnitName), Key);
}

bool TSymbolTable::HasBodyAnchor(int unit, std::string_view Key) const {
    if (unit < 0) return false;
    const auto& anchors = impl_->Units()[static_cast<std::size_t>(unit)].Anchors;
    return std::binary_search(anchors.begin(), anchors.end(), Key, std::less<>());
}

const TOverloads* TSymbolTable::FindOverloads(std::string_view UnitName, std::string_view Key) const {
    const int unit = FindUnit(UnitName);
    if (unit < 0) return nullptr;
    const auto& all = impl_->Units()[static_cast<std::size_t>(unit)].Overloads;
    const auto found = std::lower_bound(all.begin(), all.end(), Key,
                                        [](const TOverloads& O, std::string_view K) { return O.Key < K; });
    return found != all.end() && found->Key == Key ? &*found : nullptr;
}

int TSymbolTable::CallOverload(std::string_view UnitName, std::string_view Key, int Arguments) const {
    const TOverloads* found = Arguments < 0 ? nullptr : FindOverloads(UnitName, Key);
    if (!found) return 1;
    int fits = 0;
    for (std::size_t k = 0; k < found->Ranges.size(); ++k) {
        if (Arguments < found->Ranges[k].Min || Arguments > found->Ranges[k].Max) continue;
        if (fits != 0) return 1;  // several fit
        fits = static_cast<int>(k) + 1;
    }
    return fits == 0 ? 1 : fits;
}

void TSymbolTable::TakeUnitEntries(TSymbolTable& From, std::size_t Index) {
    const TURElm& Found = From.impl_->Units().at(Index);
    if (Found.Symbols.empty() && Found.Classes.empty() && Found.Captions.empty() && Found.Anchors.empty() &&
        Found.Declarations.empty() && Found.Overloads.empty() &&
        Found.Uses.empty() && Found.Bodiless.empty())
        return;  // nothing to move
    TURElm& Into = impl_->Change().Units.at(Index);
    TURElm& Taken = From.impl_->Change().Units.at(Index);
    // As a rule the unit has no entries of its own yet: the lists change hands.
    auto MoveToEnd = [](auto& Into, auto& From) {
        if (Into.empty())
            Into.swap(From);
        else
            std::move(From.begin(), From.end(), std::back_inserter(Into));
        From.clear();
    };
    MoveToEnd(Into.Symbols, Taken.Symbols);
    MoveToEnd(Into.Classes, Taken.Classes);
    MoveToEnd(Into.Captions, Taken.Captions);
    MoveToEnd(Into.Anchors, Taken.Anchors);
    MoveToEnd(Into.Declarations, Taken.Declarations);
    MoveToEnd(Into.Overloads, Taken.Overloads);
    MoveToEnd(Into.Bodiless, Taken.Bodiless);
    if (!Taken.Uses.empty()) Into.Uses = std::move(Taken.Uses);
    Taken.Uses.clear();
    impl_->TableChanged();
    From.impl_->TableChanged();
}

void TSymbolTable::SortSymbolTable() {
    auto& units = impl_->Change().Units;
    SortByName(units);
    for (auto& unit : units) {
        SortByName(unit.Symbols);
        SortByName(unit.Classes);
        SortByName(unit.Bodiless);
        for (auto& owner : unit.Classes) {
            SortByName(owner.Members);
            std::stable_sort(owner.OtherNames.begin(), owner.OtherNames.end(),
                             [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
        }
        std::sort(unit.Anchors.begin(), unit.Anchors.end());
        unit.Anchors.erase(std::unique(unit.Anchors.begin(), unit.Anchors.end()), unit.Anchors.end());
        std::sort(unit.Declarations.begin(), unit.Declarations.end());
        std::stable_sort(unit.Overloads.begin(), unit.Overloads.end(),
                         [](const TOverloads& A, const TOverloads& B) { return A.Key < B.Key; });
        unit.Declarations.erase(std::unique(unit.Declarations.begin(), unit.Declarations.end()),
                                unit.Declarations.end());
    }
    impl_->IndexUnits();
    impl_->TableChanged();
    impl_->Sorted = true;
}

const std::vector<TURElm>& TSymbolTable::UnitList() const noexcept { return impl_->Units(); }

// In a sorted table the names equal ignoring case stand together and the
// index holds the first of them. When it is the only one, it is the unit the
// halving would end at, found without comparing a dozen scattered names; with
// equal neighbours the halving decides which of them it is.
int TSymbolTable::FindUnit(std::string_view Name) const {
    const auto& units = impl_->Units();
    if (impl_->Sorted) {
        const std::size_t found = impl_->IndexedUnit(THashedName(Name));
        if (found == NoIndex) return -1;
        if (found + 1 == units.size() || !SameText(units[found + 1].Name, Name)) return static_cast<int>(found);
    }
    return HalvingSearch(units, Name);
}

int TSymbolTable::FindUsedUnit(std::string_view Name) const {
    int found = FindUnit(Name);
    for (std::size_t scope = 0; found < 0 && scope < impl_->Data->Scopes.size(); ++scope)
        found = FindUnit(impl_->Data->Scopes[scope] + "." + std::string(Name));
    return found;
}

bool TSymbolTable::IsUsedUnitName(std::string_view Name) const {
    if (IsUnitName(Name)) return true;
    for (const std::string& Scope : impl_->Data->Scopes)
        if (IsUnitName(Scope + "." + std::string(Name))) return true;
    return false;
}

void TSymbolTable::SetUnitScopes(std::vector<std::string> Scopes) { impl_->Change().Scopes = std::move(Scopes); }

bool TSymbolTable::IsUnitName(std::string_view Name) const { return IsUnitName(THashedName(Name)); }

bool TSymbolTable::IsUnitName(const THashedName& Name) const { return impl_->IndexedUnit(Name) != NoIndex; }

bool TSymbolTable::StartsUnitName(std::string_view Name) const {
    const auto& heads = impl_->Data->DottedHeads;
    return !heads.empty() && heads.contains(LowerAscii(Name));
}

// The index keeps one entry per name, the first registration's.
bool TSymbolTable::HasSameUnitNames() const { return impl_->Data->FirstUnit.Size() != impl_->Units().size(); }

std::optional<TSymbolKind> TSymbolTable::GetSymbolKind(std::string_view UnitName, std::string_view Name) const {
    const int unit = FindUnit(UnitName);
    if (unit < 0) return std::nullopt;
    const auto& symbols = impl_->Units()[static_cast<std::size_t>(unit)].Symbols;
    const int symbol = HalvingSearch(symbols, Name);
    if (symbol < 0) return std::nullopt;
    return symbols[static_cast<std::size_t>(symbol)].Kind;
}

namespace {

// How a unit's scope answers for a type's key: not declared there, a class
// or record recorded with its members, or some other symbol (an alias, an
// interface), which ends an ancestor chain.
enum class TDeclared { No, Class, Other };

TDeclared DeclaredIn(const std::vector<TURElm>& Units, std::size_t Unit, std::string_view Key, TClassAt& Found) {
    const TURElm& unit = Units[Unit];
    const int symbol = HalvingSearch(unit.Symbols, Key);
    if (symbol < 0) return TDeclared::No;
    const TSymbolKind kind = unit.Symbols[static_cast<std::size_t>(symbol)].Kind;
    if (kind != skClass && kind != skRecord) return TDeclared::Other;
    if (const int owner = HalvingSearch(unit.Classes, Key); owner >= 0) {
        Found = {Unit, &unit.Classes[static_cast<std::size_t>(owner)]};
        return TDeclared::Class;
    }
    if (const int bodiless = HalvingSearch(unit.Bodiless, Key); bodiless >= 0) {
        Found = {Unit, &unit.Bodiless[static_cast<std::size_t>(bodiless)]};
        return TDeclared::Class;
    }
    return TDeclared::Other;
}

}  // namespace

std::vector<TClassAt> TSymbolTable::ClassChain(std::string_view UnitName, std::string_view Key) const {
    std::vector<TClassAt> chain;
    const auto& units = impl_->Units();
    const int start = FindUnit(UnitName);
    if (start < 0) return chain;
    const auto& classes = units[static_cast<std::size_t>(start)].Classes;
    const auto& bodiless = units[static_cast<std::size_t>(start)].Bodiless;
    if (const int first = HalvingSearch(classes, Key); first >= 0)
        chain.push_back({static_cast<std::size_t>(start), &classes[static_cast<std::size_t>(first)]});
    else if (const int named = HalvingSearch(bodiless, Key); named >= 0)
        chain.push_back({static_cast<std::size_t>(start), &bodiless[static_cast<std::size_t>(named)]});
    else
        return chain;
    // A chain longer than this is a cycle through names spelt differently.
    constexpr std::size_t MaxChain = 64;
    while (chain.size() < MaxChain) {
        const TClassAt from = chain.back();
        const std::string_view ancestor = from.Class->Ancestor;
        if (ancestor.empty()) break;
        TClassAt found;
        TDeclared answer = TDeclared::No;
        // Unit.TBase, Vcl.Forms.TForm: the longest run of parts that names a unit.
        for (std::size_t cut = ancestor.rfind('.'); answer == TDeclared::No && cut != std::string_view::npos && cut > 0;
             cut = ancestor.rfind('.', cut - 1)) {
            const int unit = FindUsedUnit(ancestor.substr(0, cut));
            if (unit < 0) continue;
            answer = DeclaredIn(units, static_cast<std::size_t>(unit), ancestor.substr(cut + 1), found);
            if (answer == TDeclared::No) answer = TDeclared::Other;  // qualified by a unit that lacks it
        }
        // The enclosing types' nested types, innermost first.
        const std::string_view owner = from.Class->Name;
        for (std::size_t cut = owner.rfind('.'); answer == TDeclared::No && cut != std::string_view::npos && cut > 0;
             cut = owner.rfind('.', cut - 1)) {
            std::string nested(owner.substr(0, cut + 1));
            nested += ancestor;
            answer = DeclaredIn(units, from.Unit, nested, found);
        }
        if (answer == TDeclared::No) answer = DeclaredIn(units, from.Unit, ancestor, found);
        const auto& uses = units[from.Unit].Uses;
        for (auto used = uses.rbegin(); answer == TDeclared::No && used != uses.rend(); ++used) {
            const int unit = FindUsedUnit(*used);
            if (unit >= 0 && static_cast<std::size_t>(unit) != from.Unit)
                answer = DeclaredIn(units, static_cast<std::size_t>(unit), ancestor, found);
        }
        if (answer != TDeclared::Class) break;
        if (std::any_of(chain.begin(), chain.end(), [&](const TClassAt& c) { return c.Class == found.Class; })) break;
        chain.push_back(found);
    }
    return chain;
}

std::optional<TMemberAt> TSymbolTable::FindMember(const std::vector<TClassAt>& Chain, std::string_view Name,
                                                  std::size_t From) {
    const auto less = [](std::string_view a, std::string_view b) { return CompareText(a, b) < 0; };
    for (std::size_t i = From; i < Chain.size(); ++i) {
        const TCRElm& owner = *Chain[i].Class;
        if (const int member = HalvingSearch(owner.Members, Name); member >= 0)
            return TMemberAt{Chain[i].Unit, &owner, &owner.Members[static_cast<std::size_t>(member)]};
        if (std::binary_search(owner.OtherNames.begin(), owner.OtherNames.end(), Name, less))
            return TMemberAt{Chain[i].Unit, &owner, nullptr};
    }
    return std::nullopt;
}

void TSymbolTable::BeginVisibleSymbols(const std::vector<int>& UnitIndexes) {
    if (impl_->CurrentPass != 2 && impl_->CurrentPass != 3) return;
    impl_->Visible.reset();  // each unit starts from a fresh list
    impl_->MakeVisible(UnitIndexes);
}

void TSymbolTable::AddVisibleUnits(const std::vector<int>& UnitIndexes) {
    if (impl_->CurrentPass != 2 && impl_->CurrentPass != 3) return;
    impl_->MakeVisible(UnitIndexes);
}

void TSymbolTable::FreeVisibleSymbols() { impl_->Visible.reset(); }

std::optional<TFlatRef> TSymbolTable::FindVisibleSymbol(std::string_view Name) const {
    return FindVisibleSymbol(THashedName(Name));
}

std::optional<TFlatRef> TSymbolTable::FindVisibleSymbol(const THashedName& Name) const {
    if (!impl_->Visible) return std::nullopt;
    const auto found = impl_->Visible->Find(Name, impl_->Units());
    if (!found) return std::nullopt;
    const TURElm& unit = impl_->Units()[found->first];
    const TRefElm& symbol = unit.Symbols[found->second];
    return TFlatRef{symbol.Name, unit.Name, unit.Page, symbol.Kind};
}

std::size_t TSymbolTable::CountEntries() const noexcept {
    std::size_t count = 0;
    for (const auto& unit : impl_->Units()) {
        count += unit.Symbols.size() + unit.Classes.size();
        for (const auto& owner : unit.Classes) count += owner.Members.size();
    }
    return count;
}

}  // namespace corvanet
