package norvix.sheetwright;

import com.google.protobuf.InvalidProtocolBufferException;
import com.google.protobuf.util.JsonFormat;
import com.sun.jna.Memory;
import com.sun.jna.Native;
import com.sun.jna.Pointer;
import excel.CommandOuterClass.Command;
import excel.CommandResponseOuterClass.CommandResponse;
import java.lang.ref.Reference;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Collections;
import java.util.List;
import java.util.Objects;

/**
 * The loaded library: commands in as {@code excel.Command}, replies out as
 * {@code excel.CommandResponse}, both crossing as JSON text.
 *
 * <p>Threading: the library keeps its state (sessions, reply buffers) in unprotected process-wide
 * objects and ties each session's application objects to the thread that opened it. An instance
 * therefore belongs to the thread that loaded it, and every call from another thread, or from a
 * macro while a command runs, is refused with {@link IllegalStateException}. Load it once per
 * process and give it to one worker thread.
 */
public final class Sheetwright {

    /** The name JNA resolves to libNorvix.Sheetwright.so or Norvix.Sheetwright.dll. */
    public static final String LIBRARY_NAME = "Norvix.Sheetwright";

    /**
     * Keeps every registered callback reachable: the library may call it until the process ends.
     */
    private static final List<MacroBridge> REGISTERED_MACROS =
            Collections.synchronizedList(new ArrayList<>());

    private static final JsonFormat.Printer PRINTER =
            JsonFormat.printer().omittingInsignificantWhitespace();
    private static final JsonFormat.Parser PARSER = JsonFormat.parser();

    private final SheetwrightLibrary library;
    private final Thread owner = Thread.currentThread();
    private boolean inCall;
    private MacroFailedException macroFailure;

    private Sheetwright(SheetwrightLibrary library) {
        this.library = library;
    }

    /**
     * Loads the library from JNA's search path ({@code -Djna.library.path=...}) or, when it is not
     * there, from the class path: the client's jar carries it in JNA's platform folders
     * ({@code linux-x86-64/libNorvix.Sheetwright.so}, {@code win32-x86-64/Norvix.Sheetwright.dll}),
     * and JNA extracts the one for this system.
     */
    public static Sheetwright load() {
        return new Sheetwright(Native.load(LIBRARY_NAME, SheetwrightLibrary.class));
    }

    /** Loads the library from this file. */
    public static Sheetwright load(Path libraryFile) {
        return new Sheetwright(
                Native.load(libraryFile.toAbsolutePath().toString(), SheetwrightLibrary.class));
    }

    /** A handle on the session of this name; the library creates it on its first command. */
    public WorkbookSession session(String sessionName) {
        return new WorkbookSession(this, sessionName);
    }

    /** Runs one command and parses the reply. */
    public CommandResponse send(Command command) {
        String reply;
        try {
            reply = sendJson(PRINTER.print(command));
        } catch (InvalidProtocolBufferException impossible) {
            throw new IllegalArgumentException("command cannot be printed as JSON", impossible);
        }
        CommandResponse.Builder response = CommandResponse.newBuilder();
        try {
            PARSER.merge(reply, response);
        } catch (InvalidProtocolBufferException notAResponse) {
            throw new IllegalStateException(
                    "the library answered text that is not a CommandResponse: " + reply,
                    notAResponse);
        }
        return response.build();
    }

    /** Runs one command given as JSON text and returns the reply's JSON text. */
    public String sendJson(String requestJson) {
        enterCall();
        String reply;
        try {
            Memory request = WideText.toNative(requestJson);
            // The reply belongs to the library until the next call: copy it at once.
            reply = WideText.fromNative(library.Send(request));
            Reference.reachabilityFence(request);
        } finally {
            inCall = false;
        }
        raiseMacroFailure();
        return reply;
    }

    /** Switches the diagnostic log on or off; a null folder keeps the current folder. */
    public void initializeLogger(boolean enable, Path folder) {
        enterCall();
        try {
            Memory folderText = folder == null ? null : WideText.toNative(folder.toString());
            library.InitializeLogger(enable ? 1 : 0, folderText);
            Reference.reachabilityFence(folderText);
        } finally {
            inCall = false;
        }
    }

    /** Empties the library's reply buffers. */
    public void clearMemory() {
        enterCall();
        try {
            library.ClearMemory();
        } finally {
            inCall = false;
        }
    }

    /**
     * Offers {@code macro} to the application's "Run" under {@code macroName} for the rest of the
     * process. A later registration under the same name replaces it. A macro that throws makes its
     * command answer "no value"; the exception is then raised from {@link #send} as a
     * {@link MacroFailedException}.
     */
    public void registerMacro(String macroName, Macro macro) {
        if (macroName.isEmpty()) {
            throw new IllegalArgumentException("a macro needs a name");
        }
        enterCall();
        try {
            MacroBridge bridge = new MacroBridge(macroName, Objects.requireNonNull(macro));
            REGISTERED_MACROS.add(bridge);
            Memory name = WideText.toNative(macroName);
            library.SheetwrightRegisterMacro(name, bridge);
            Reference.reachabilityFence(name);
        } finally {
            inCall = false;
        }
    }

    private void enterCall() {
        Thread caller = Thread.currentThread();
        if (caller != owner) {
            throw new IllegalStateException("Sheetwright belongs to thread \"" + owner.getName()
                    + "\" and was called from \"" + caller.getName()
                    + "\": the library is not thread-safe and a session's calls must come from"
                    + " the thread that opened it");
        }
        if (inCall) {
            throw new IllegalStateException(
                    "the library is not re-entrant: a macro must not call it while a command runs");
        }
        inCall = true;
    }

    private void raiseMacroFailure() {
        MacroFailedException failure = macroFailure;
        macroFailure = null;
        if (failure != null) {
            throw failure;
        }
    }

    /** A registered macro threw; its command went on as if the macro had returned no value. */
    public static final class MacroFailedException extends RuntimeException {
        MacroFailedException(String macroName, Throwable cause) {
            super("macro \"" + macroName + "\" failed: " + cause, cause);
        }
    }

    /** Adapts a {@link Macro} to the native callback; never lets an exception reach native code. */
    private final class MacroBridge implements SheetwrightLibrary.MacroCallback {
        private final String macroName;
        private final Macro macro;
        /** The last value returned; the library copies it before the next call. */
        private Memory lastValue;

        MacroBridge(String macroName, Macro macro) {
            this.macroName = macroName;
            this.macro = macro;
        }

        @Override
        public Pointer invoke(int argc, Pointer argv) {
            try {
                List<String> arguments = new ArrayList<>(Math.max(argc, 0));
                if (argc > 0 && argv != null) {
                    for (Pointer argument : argv.getPointerArray(0, argc)) {
                        arguments.add(argument == null ? "" : WideText.fromNative(argument));
                    }
                }
                String value = macro.run(Collections.unmodifiableList(arguments));
                lastValue = value == null ? null : WideText.toNative(value);
            } catch (Throwable failure) {
                if (macroFailure == null) {
                    macroFailure = new MacroFailedException(macroName, failure);
                }
                lastValue = null;
            }
            return lastValue;
        }
    }
}
