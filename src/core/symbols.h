// The symbol table: the project's units, their unit-level interface symbols,
// their interface classes and the methods of those classes; filled in passes 0
// and 1, sorted once, then only read. Every key comparison (linear search,
// sort, binary search) uses CompareText, and sorting is stable, so a run of the
// same project always writes the same bytes. Also the per-unit list of visible
// symbols that pass 2 resolves names against.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compare.h"
#include "page_names.h"

namespace corvanet {

enum TSymbolKind : std::uint8_t {
    skVariable = 0,
    skConstant = 1,
    skClass = 2,
    skFunction = 3,
    skProcedure = 4,
    skType = 5,
    skLabel = 6,
    skConstructor = 7,
    skDestructor = 8,
    skRecord = 9,
    // Only the modern dialect records these: interface and dispinterface
    // types, class operators and properties (the last two as members).
    skInterface = 10,
    skOperator = 11,
    skProperty = 12,
};

// "Variable", "Constant", "Class/Object", "Function", "Procedure", "Type",
// "Label", "Constructor", "Destructor", "Record", "Interface", "Operator",
// "Property".
std::string_view SymbolKindName(TSymbolKind Kind) noexcept;

struct TRefElm {
    std::string Name;
    TSymbolKind Kind = skVariable;
};

struct TCRElm {
    std::string Name;
    std::vector<TRefElm> Members;  // methods, properties and operators
    // The modern dialect's view of the type's scope, not part of the report:
    // the key of its class ancestor as written (Base, Unit.TBase, TBase.1;
    // a helper without one: the type it extends), empty without one, and the
    // names of its other members (fields, class variables, constants, nested
    // types, the values of nested enumerations), which hide a unit's symbols
    // in its methods but have no anchor. OtherNames is sorted once the table is.
    std::string Ancestor;
    std::vector<std::string> OtherNames;
};

// How the report shows a generic type whose key carries its arity.
struct TCaption {
    std::string Key;      // "Tuple.2"
    std::string Caption;  // "Tuple<T1, T2>"
};

// A routine declared more than once under one anchor key (overloads), the
// k-th anchored under the key with ".k" appended (k >= 2).
struct TOverloads {
    std::string Key;  // the first overload's anchor key
    // Per overload, first to last: how many arguments a call may pass.
    struct TRange {
        std::uint16_t Min = 0, Max = 0;
    };
    std::vector<TRange> Ranges;
    // The overload (1...) of each implementation heading under Key, in order.
    std::vector<std::uint16_t> Headings;
};

struct TURElm {
    // Registered name: the file-name part of Path less its extension, or in
    // the modern dialect the name the project file writes before `in`.
    std::string Name;
    std::string Path;  // exactly as the project file writes it between the quotes
    std::string Page;  // stem of its page and topic: Name, or Name-2... where taken
    std::vector<TRefElm> Symbols;
    std::vector<TCRElm> Classes;
    std::vector<TCaption> Captions;  // the unit's generic types only, in declaration order
    // The modern dialect's anchors that the output pass will write on the
    // unit's page, by name less the unit part (AnchorKey); sorted and unique
    // once the table is sorted. A link is written only to an anchor listed here.
    std::vector<std::string> Anchors;
    // The modern dialect's declaration anchors: the keys of the symbols and
    // members the interface declares outside include files. Each has its
    // anchor at its declaration unless Anchors holds its key (a routine's
    // body, a class's anchor after its keyword). Sorted and unique likewise.
    std::vector<std::string> Declarations;
    // The modern dialect's classes declared with an ancestor and no body
    // ("EFoo = class(TBase);"), for their ancestor: they are no class of the
    // report, but their names lead a type's scope on to the ancestor's
    // members. Sorted by name once the table is.
    std::vector<TCRElm> Bodiless;
    // The modern dialect's overloaded routines and methods, sorted by key.
    std::vector<TOverloads> Overloads;
    // The modern dialect: the units the interface's uses clause names, as
    // written, in order; ancestors of the unit's classes are looked up there.
    std::vector<std::string> Uses;
};

// A class of the table as its unit's index and the entry itself.
struct TClassAt {
    std::size_t Unit = 0;
    const TCRElm* Class = nullptr;
};

// A name in a class's scope: the class holding it and its member entry, or
// no entry for one of its OtherNames.
struct TMemberAt {
    std::size_t Unit = 0;
    const TCRElm* Class = nullptr;
    const TRefElm* Member = nullptr;
};

struct TFlatRef {
    std::string_view Name;      // the symbol's key (letter case of its declaration)
    std::string_view UnitName;  // registered name of the declaring unit
    std::string_view UnitPage;  // that unit's page stem
    TSymbolKind Kind = skVariable;
};

// The file-name part of a path: everything after the last "/", "\" or ":".
std::string_view FileNamePart(std::string_view Path) noexcept;

// Assumes a three-letter extension and does not look for a dot: empty stays
// empty; a leading double quote drops the first and last characters; a
// non-empty Extension replaces the last three characters; an empty one drops
// the last four.
std::string ReplaceExtension(std::string_view FileName, std::string_view Extension);

class TSymbolTable {
public:
    // The adders act only in their own pass; the table reads the pass from the
    // token stream that owns it.
    explicit TSymbolTable(const std::uint8_t& CurrentPass);
    ~TSymbolTable();
    TSymbolTable(const TSymbolTable&) = delete;
    TSymbolTable& operator=(const TSymbolTable&) = delete;

    std::string CurrentUnit;
    std::string CurrentClass;
    // The names of the run's document pairs; emptied with the table, so the
    // run reserves its own names after CreateUnitList.
    TPageNames Pages;

    void CreateUnitList();   // an empty table
    void DestroyUnitList();  // releases everything, visible symbols included
    // This table becomes a copy of the units, symbols, classes and members of
    // From (sorted or not, as From is), with no visible symbols: a second
    // reader of the output pass resolves names in a table of its own.
    void CopyTable(const TSymbolTable& From);

    // Registers the unit at Path under Name (empty: its file name less the
    // extension) and claims its page name.
    void AddUnit(std::string_view Path, std::string_view Name = {});               // pass 0
    void AddSymbol(std::string_view UnitName, std::string_view Name, TSymbolKind Kind);  // pass 1
    void AddClass(std::string_view UnitName, std::string_view ClassName);         // pass 1
    void AddMember(std::string_view UnitName, std::string_view ClassName, std::string_view Name,
                   TSymbolKind Kind);                                              // pass 1
    void SetLastSymbolKind(TSymbolKind Kind);                                      // pass 1
    void AddAnchor(std::string_view UnitName, std::string Key);                    // pass 1
    // The scope of a modern type (pass 1, ignored for a class not recorded).
    void SetAncestor(std::string_view UnitName, std::string_view ClassName, std::string_view Key);
    void AddBodilessClass(std::string_view UnitName, std::string_view ClassName, std::string_view Ancestor);  // pass 1
    void AddOtherName(std::string_view UnitName, std::string_view ClassName, std::string_view Name);
    void SetUses(std::string_view UnitName, std::vector<std::string> Names);      // pass 1
    void AddDeclaration(std::string_view UnitName, std::string Key);               // pass 1
    void AddOverloads(std::string_view UnitName, TOverloads Overloads);            // pass 1
    // While set, pass 1 reads a unit's implementation for its anchors only:
    // every adder but AddAnchor and AddOverloads ignores what it is given.
    bool AnchorsOnly = false;
    void AddCaption(std::string_view UnitName, std::string_view Key, std::string_view Caption);  // pass 1
    void SortSymbolTable();
    // Pass 1 on several threads: the symbols and classes that From, a copy
    // of this table made before pass 1, recorded for the unit at Index are
    // moved to the end of this table's lists of that unit.
    void TakeUnitEntries(TSymbolTable& From, std::size_t Index);

    // In registration order until SortSymbolTable, sorted by name after it.
    const std::vector<TURElm>& UnitList() const noexcept;

    // Name resolution (valid after SortSymbolTable).
    int FindUnit(std::string_view Name) const;  // index in UnitList, or -1
    // The unit a uses clause names: Name, else Name after one of the unit
    // scope names (Forms as Vcl.Forms); -1 when none is registered.
    int FindUsedUnit(std::string_view Name) const;
    // FindUsedUnit(Name) >= 0 by the names' index, before the table is sorted too.
    bool IsUsedUnitName(std::string_view Name) const;
    // The unit scope names (Delphi's: System;Vcl;Winapi), in the order tried.
    void SetUnitScopes(std::vector<std::string> Scopes);
    bool IsUnitName(std::string_view Name) const;  // FindUnit(Name) >= 0, by hash
    bool IsUnitName(const THashedName& Name) const;  // the same for a name hashed already
    // Whether Name is the first part of a dotted registered name (Vcl of Vcl.Forms).
    bool StartsUnitName(std::string_view Name) const;
    bool HasSameUnitNames() const;  // two units registered under one name (ignoring case)
    std::optional<TSymbolKind> GetSymbolKind(std::string_view UnitName, std::string_view Name) const;
    // Whether the unit's page will hold the anchor Key, at a body or a
    // declaration (valid after SortSymbolTable).
    bool HasAnchor(std::string_view UnitName, std::string_view Key) const;
    // Whether Key is anchored where the interface does not declare it: at a
    // body, or after a class's keyword.
    bool HasBodyAnchor(std::string_view UnitName, std::string_view Key) const;
    bool HasBodyAnchor(int Unit, std::string_view Key) const;  // Unit: FindUnit's answer
    // The overloads of Key in the unit, if it has more than one.
    const TOverloads* FindOverloads(std::string_view UnitName, std::string_view Key) const;
    // Which overload of Key (1...) a call passing Arguments links to: the one
    // whose range alone holds Arguments, else the first (also when Arguments
    // is negative, unknown, or Key is not overloaded).
    int CallOverload(std::string_view UnitName, std::string_view Key, int Arguments) const;
    // The class recorded under Key in the unit UnitName, then its class
    // ancestors nearest first, as far as each is recorded: an ancestor is
    // looked up as the compiler would from the unit declaring its
    // descendant (the enclosing types' nested types, the unit's own types,
    // the interface's used units from the last named to the first, or the
    // unit its qualifier names), and the chain stops at the first that is
    // not a recorded class or record. Empty when the class is not recorded.
    // Valid after SortSymbolTable, until the table changes.
    std::vector<TClassAt> ClassChain(std::string_view UnitName, std::string_view Key) const;
    // The first class of Chain from From on that holds Name (ignoring case).
    static std::optional<TMemberAt> FindMember(const std::vector<TClassAt>& Chain, std::string_view Name,
                                               std::size_t From = 0);
    // Passes 2 and 3 only. An index outside UnitList is a list index error
    // (CorvanetError) and adds nothing.
    void BeginVisibleSymbols(const std::vector<int>& UnitIndexes);
    void AddVisibleUnits(const std::vector<int>& UnitIndexes);
    void FreeVisibleSymbols();
    // A search of VisibleSymbols by name; nothing when absent or when there is no list.
    // Among equal keys the answer is the first to become visible: the unit's own
    // symbols, then the used units in the order added, each in its sorted order.
    // The views stay valid until the table changes or is destroyed.
    std::optional<TFlatRef> FindVisibleSymbol(std::string_view Name) const;
    std::optional<TFlatRef> FindVisibleSymbol(const THashedName& Name) const;  // the same, hashed already

    // Rows of the report: symbols + classes + members of every unit.
    std::size_t CountEntries() const noexcept;

private:
    struct Impl;  // the private part is the symbol table's own business
    std::unique_ptr<Impl> impl_;
};

}  // namespace corvanet
