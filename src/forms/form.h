#pragma once

// The load and unload handlers every window of the program has. The Program
// runs Form_Load right after it registers a newly created window, and
// Form_Unload when the window is unloaded (closed or destroyed by code).
class Form
{
public:
    virtual ~Form() = default;
    virtual void Form_Load() {}
    virtual void Form_Unload() {}
    /// Runs when the program is ended at once (no unload handler runs then):
    /// stores what the window holds and would otherwise lose.
    virtual void storeBeforeProgramEnds() {}
};

// Thrown out of a Wait or a message box to a handler whose window was
// unloaded while it waited: the handler stops there and does nothing more.
// Handlers::run, which every window's handlers run under, catches it.
struct HandlerAbandoned
{
};
