#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What the date page chooses: no date test, or a test of the creation or the
// last-modification time.
enum class DateKind { Any = 0, Created = 1, Modified = 2 };

// Which date bounds apply: the latest time, the earliest, or both.
enum class DateRange { OnOrBefore = 0, OnOrAfter = 1, Between = 2 };

// Times are seconds since 1970-01-01 00:00 UTC; bounds are inclusive. A bound
// that the range does not apply is kept but not tested.
struct DateCriterion {
    DateKind kind = DateKind::Any;
    DateRange range = DateRange::OnOrBefore;
    int64_t earliest = 0;  // OnOrAfter, and the start of Between
    int64_t latest = 0;    // OnOrBefore, and the end of Between

    bool operator==(const DateCriterion&) const = default;
};

// Sizes in bytes; 0 means the bound is not set. Bounds are inclusive.
struct SizeCriterion {
    int64_t minSize = 0;
    int64_t maxSize = 0;

    bool operator==(const SizeCriterion&) const = default;
};

// Drawing-type bits of the types page.
enum TypeBit : unsigned {
    TYPE_DXF = 0x01,
    TYPE_DWG = 0x02,
    TYPE_MCD = 0x04,
    TYPE_JW = 0x08,
    TYPE_MPP = 0x10,
    TYPE_MPX = 0x20,
    TYPE_MPZ = 0x40,
    TYPE_JW_TOGGLED = 0x80,  // flipped with the JW_CAD box; selects nothing
    TYPE_SXF = 0x100,
    TYPE_ALL = 0x17F,
};

// The place text that means every mounted file system.
inline constexpr const char* kAllDrivesPlace = "全てのドライブ";
