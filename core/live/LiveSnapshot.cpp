#include "core/live/LiveSnapshot.h"

#include <algorithm>

int LiveClass::doneCount() const
{
    return int(std::count_if(lines.begin(), lines.end(), [](const LiveEntry &e) { return e.isDone(); }));
}

const LiveEntry *LiveClass::entryByNumber(int number) const
{
    for (const LiveEntry &entry : lines) {
        if (entry.number == number)
            return &entry;
    }
    return nullptr;
}

const LiveClass *LiveSnapshot::classAt(int classIndex) const
{
    if (classIndex < FirstClass || classIndex >= FirstClass + ClassCount)
        return nullptr;
    return &classes[std::size_t(classIndex - FirstClass)];
}

const LiveEntry *LiveSnapshot::nextUp() const
{
    const LiveClass *current = classAt(currentClass);
    if (!current || current->lines.empty())
        return nullptr;
    const LiveRun &from = running ? onCourse : lastFinish;
    const int run = from.number > 0 && from.classIndex == currentClass ? from.run : 1;
    const int after = from.number > 0 && from.classIndex == currentClass ? from.number : 0;
    const int count = current->entryCount();
    for (int step = 1; step <= count; ++step) {
        const int number = (after + step - 1) % count + 1;
        if (number == after)
            continue;
        const LiveEntry *entry = current->entryByNumber(number);
        if (entry && entry->runTime(run) == 0)
            return entry;
    }
    return nullptr;
}
