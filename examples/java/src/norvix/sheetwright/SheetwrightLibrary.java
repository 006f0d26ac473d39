package norvix.sheetwright;

import com.sun.jna.Callback;
import com.sun.jna.Library;
import com.sun.jna.Pointer;

/**
 * The library's exports as JNA sees them.
 *
 * <p>Every text argument and result is a NUL-terminated {@code wchar_t} string. They are declared
 * as {@link Pointer} rather than {@code WString} because JNA's own wide-string conversion copies
 * UTF-16 code units one by one: on Linux, where {@code wchar_t} holds UTF-32, that splits a
 * character outside the Basic Multilingual Plane (an emoji, say) into two lone surrogates on the
 * way in and cuts it to its low 16 bits on the way out. {@link WideText} converts whole code
 * points instead.
 *
 * <p>None of these functions is re-entrant; see {@link Sheetwright} for the threading rule.
 */
public interface SheetwrightLibrary extends Library {

    /**
     * Runs one command. {@code request} is the JSON of {@code excel.Command}; the result is the
     * JSON of {@code excel.CommandResponse}, never null, owned by the library and valid only until
     * the next {@code Send} or {@code ClearMemory}.
     */
    Pointer Send(Pointer request);

    /** Switches the diagnostic log on (non-zero) or off; a null folder keeps the current one. */
    void InitializeLogger(int enable, Pointer folder);

    /** Empties the reply buffers; a pointer returned by {@code Send} then reads as empty text. */
    void ClearMemory();

    /**
     * Makes {@code callback} answer the application's "Run" for the macro {@code name} (matched
     * without regard to case); a null callback removes the name. Returns 1, or 0 for an empty
     * name. The library keeps the function pointer until the name is registered again: the caller
     * must keep the callback object reachable for as long.
     */
    int SheetwrightRegisterMacro(Pointer name, MacroCallback callback);

    /**
     * {@code const wchar_t* (*)(int argc, const wchar_t* const* argv)}: the macro's arguments
     * in order; the result is the macro's value, or null for no value. The library copies the
     * returned text before the callback's next call, so the memory only has to outlive the call.
     */
    interface MacroCallback extends Callback {
        Pointer invoke(int argc, Pointer argv);
    }
}
