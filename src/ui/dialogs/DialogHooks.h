#pragma once

#include <deque>
#include <functional>

// Test hook of a modal dialog: while hooks are queued, an entry function
// prepares its dialog but does not show it; the next hook inspects or drives
// the prepared dialog and returns the result the dialog would have ended with.
template <typename TDialog> class TDialogHooks
{
public:
    using THook = std::function<int(TDialog &)>;

    static void Push(THook hook) { Queue().push_back(std::move(hook)); }
    static void Clear() { Queue().clear(); }
    static int Pending() { return static_cast<int>(Queue().size()); }

    // Runs the next hook on the dialog, else the dialog's own event loop.
    template <typename TExec> static int Run(TDialog &dialog, TExec &&exec)
    {
        if (Queue().empty())
            return exec();
        THook hook = std::move(Queue().front());
        Queue().pop_front();
        return hook(dialog);
    }

private:
    static std::deque<THook> &Queue()
    {
        static std::deque<THook> queue;
        return queue;
    }
};
