#pragma once

#include "startlist/StartList.h"

#include <cstdint>

// The current class's start list as the results protocol reads and writes it.
class StartListAccess
{
public:
    virtual ~StartListAccess() = default;

    // Saves the current class, makes classIndex current and loads its list.
    virtual void SelectClass(int classIndex) = 0;
    virtual int CurrentClass() const = 0;
    // Writes the current list to its class file; false when that failed (the reason was shown).
    virtual bool SaveCurrentClass() = 0;

    virtual int EntryCount() const = 0;
    // "#" gives the position counted from 1; an index outside the list gives a null string.
    virtual QString ReadTextField(int index, ListField field) const = 0;
    virtual std::int32_t ReadNumberField(int index, ListField field) const = 0;
    virtual void WriteNumberField(int index, ListField field, std::int32_t value) = 0;
};
