package norvix.sheetwright;

import java.util.List;

/** A macro the host offers to the spreadsheet application's "Run". */
@FunctionalInterface
public interface Macro {

    /**
     * Runs the macro with its arguments in order. Returns the macro's value, or null when it has
     * none. Runs on the thread that called {@code Send}, inside that call: it must not call the
     * library.
     */
    String run(List<String> arguments);
}
