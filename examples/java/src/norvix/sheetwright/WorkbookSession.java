package norvix.sheetwright;

import excel.CommandOuterClass.Command;
import excel.CommandResponseOuterClass.CommandResponse;
import excel.DefaultResponseOuterClass.DefaultResponse;
import excel.TableResponseOuterClass.TableResponse;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.LinkedHashMap;
import java.util.LinkedHashSet;
import java.util.List;
import java.util.Map;
import java.util.function.Consumer;

/**
 * One named session of the library: a workbook in a spreadsheet application and its current
 * sheet. Every method runs one command (or a series of paging commands) and throws
 * {@link CommandFailedException} when the reply's status is false. All calls must come from the
 * thread that owns the {@link Sheetwright} instance.
 */
public final class WorkbookSession {

    private final Sheetwright library;
    private final String sessionName;

    WorkbookSession(Sheetwright library, String sessionName) {
        this.library = library;
        this.sessionName = sessionName;
    }

    public String name() {
        return sessionName;
    }

    /**
     * Starts the application and opens {@code file} on {@code sheetName} (null or empty: the
     * active sheet). With {@code headerRow}, row 1 holds column titles and refuses writes.
     */
    public void open(Path file, String sheetName, boolean headerRow) {
        Map<String, String> parameters = new LinkedHashMap<>();
        parameters.put("FileName", file.toAbsolutePath().toString());
        if (sheetName != null && !sheetName.isEmpty()) {
            parameters.put("SheetName", sheetName);
        }
        parameters.put("ContainHeader", headerRow ? "1" : "0");
        run("Open", parameters);
    }

    /** The text of the cell at {@code address} (such as "B3") of the current sheet. */
    public String readCell(String address) {
        return onlyText("GetSingleCell", Map.of(
                "CellOption", "1",
                "CellAddress", address));
    }

    /** Every row of the current sheet's used range, fetched page by page. */
    public SheetData readSheet() {
        return readSheet(Map.of("SheetOption", "0"));
    }

    /** Every row of the named sheet's used range; the sheet becomes the current sheet. */
    public SheetData readSheet(String sheetName) {
        return readSheet(Map.of("SheetOption", "1", "SheetName", sheetName));
    }

    private SheetData readSheet(Map<String, String> parameters) {
        return collectPages(run("GetWorksheetData", parameters));
    }

    /** The rows of a first page and of every further page that GetMoreWorksheetData brings. */
    private SheetData collectPages(CommandResponse page) {
        List<List<String>> rows = new ArrayList<>();
        int pages = 0;
        while (true) {
            pages++;
            for (TableResponse.Row row : page.getTableResponse().getTableVariable().getRowsList()) {
                rows.add(List.copyOf(row.getColumnsList()));
            }
            if (!page.getTableResponse().getMoreRecordsAvailable()) {
                return new SheetData(rows, pages);
            }
            page = run("GetMoreWorksheetData", Map.of());
        }
    }

    /**
     * The cells from A1 to the bottom-right cell of the current sheet's used range (row 1 and
     * column A included wherever the used range begins), fetched page by page.
     */
    public SheetData readToUsedEnd() {
        return readBlock(Map.of("GetMultipleCellsOption", "0"));
    }

    /** Rows {@code fromRow} to {@code toRow} of the used range's columns, page by page. */
    public SheetData readUsedRows(long fromRow, long toRow) {
        return readBlock(Map.of(
                "GetMultipleCellsOption", "1",
                "SpecifiedRowFrom", Long.toString(fromRow),
                "SpecifiedRowTo", Long.toString(toRow)));
    }

    /** The block between two corner cells (such as "B2" and "D9"), page by page. */
    public SheetData readBlock(String fromCell, String toCell) {
        return readBlock(Map.of(
                "GetMultipleCellsOption", "2",
                "SpecifiedCellFrom", fromCell,
                "SpecifiedCellTo", toCell));
    }

    private SheetData readBlock(Map<String, String> parameters) {
        return collectPages(run("GetMultipleCells", parameters));
    }

    /**
     * Row {@code rowNumber} (1 = the range's top row) of the range between two corner cells. The
     * library reads the range once and keeps it while the caller asks for the following rows
     * with the same corners; the walk ends with the last row.
     */
    public RangeRow rangeRow(String fromCell, String toCell, long rowNumber) {
        CommandResponse response = run("GetSingleRow", Map.of(
                "SpecifiedCellFrom", fromCell,
                "SpecifiedCellTo", toCell,
                "SpecificRow", Long.toString(rowNumber)));
        List<TableResponse.Row> rows = response.getTableResponse().getTableVariable().getRowsList();
        if (rows.size() != 1) {
            throw new IllegalStateException("GetSingleRow answered " + rows.size() + " rows");
        }
        return new RangeRow(rows.get(0).getColumnsList(),
                response.getTableResponse().getMoreRecordsAvailable());
    }

    /**
     * Walks the range between two corner cells row by row, giving each row's texts to
     * {@code eachRow}; returns the number of rows.
     */
    public int walkRows(String fromCell, String toCell, Consumer<List<String>> eachRow) {
        long rowNumber = 0;
        RangeRow row;
        do {
            row = rangeRow(fromCell, toCell, ++rowNumber);
            eachRow.accept(row.cells());
        } while (row.moreRows());
        return Math.toIntExact(rowNumber);
    }

    /**
     * The texts of a row from the cell at {@code address} (null: the active cell) to the used
     * area's last column; with {@code wholeRow}, from column A.
     */
    public List<String> readRow(String address, boolean wholeRow) {
        CommandResponse response = run("ReadRow", readParameters(address, wholeRow));
        List<TableResponse.Row> rows = response.getTableResponse().getTableVariable().getRowsList();
        return rows.isEmpty() ? List.of() : List.copyOf(rows.get(0).getColumnsList());
    }

    /**
     * The texts of a column from the cell at {@code address} (null: the active cell) to the used
     * area's last row, top to bottom; with {@code wholeColumn}, from row 1.
     */
    public List<String> readColumn(String address, boolean wholeColumn) {
        CommandResponse response = run("ReadColumn", readParameters(address, wholeColumn));
        return firstColumn(response);
    }

    private static Map<String, String> readParameters(String address, boolean full) {
        Map<String, String> parameters = new LinkedHashMap<>();
        parameters.put("CellOption", address == null ? "0" : "1");
        if (address != null) {
            parameters.put("CellAddress", address);
        }
        parameters.put("ReadFull", full ? "1" : "0");
        return parameters;
    }

    /**
     * The address (such as "C5") of a cell named by column and position: with a header row, the
     * column's title and the data row counted from 1 below the header; without, the column's
     * letters and the worksheet row.
     */
    public String cellAddress(String columnTitle, long position) {
        return onlyText("GetCellAddress", Map.of(
                "CellOption", "1",
                "ColumnTitle", columnTitle,
                "CellPosition", Long.toString(position)));
    }

    /** The active cell's address, such as "C5". */
    public String activeCellAddress() {
        return onlyText("GetCellAddress", Map.of("CellOption", "0"));
    }

    /** The column letters of the cell at {@code address} (null: the active cell). */
    public String columnName(String address) {
        return onlyText("GetColumnName", cellParameters(address));
    }

    /** The worksheet row number of the cell at {@code address} (null: the active cell). */
    public long rowNumber(String address) {
        return Long.parseLong(onlyText("GetRowNumber", cellParameters(address)));
    }

    private static Map<String, String> cellParameters(String address) {
        return address == null
                ? Map.of("CellOption", "0")
                : Map.of("CellOption", "1", "CellAddress", address);
    }

    /** The current sheet's used range, such as "B2:F30" ("A1:A1" for an empty sheet). */
    public String usedRange() {
        return onlyText("GetUsedRange", Map.of());
    }

    /** The address of the current sheet's last cell, such as "F30". */
    public String lastCellAddress() {
        return onlyText("GetLastCellAddress", Map.of());
    }

    /** Selects rows {@code fromRow} to {@code toRow}, column A to the used range's last column. */
    public void selectRows(long fromRow, long toRow) {
        run("SelectRows", Map.of(
                "CellOption", "2",
                "SpecifiedRowFrom", Long.toString(fromRow),
                "SpecifiedRowTo", Long.toString(toRow)));
    }

    /** Selects columns (letters, such as "B" to "D") from row 1 to the used range's last row. */
    public void selectColumns(String fromColumn, String toColumn) {
        run("SelectColumns", Map.of(
                "CellOption", "2",
                "SpecifiedColumnFrom", fromColumn,
                "SpecifiedColumnTo", toColumn));
    }

    /** Selects the block between two corner cells; the first becomes the active cell. */
    public void selectCells(String fromCell, String toCell) {
        run("SelectCells", Map.of(
                "CellOption", "2",
                "SpecifiedCellFrom", fromCell,
                "SpecifiedCellTo", toCell));
    }

    /** Selects A1 to the bottom-right cell of the used range. */
    public void selectToUsedEnd() {
        run("SelectCells", Map.of("CellOption", "3"));
    }

    private String onlyText(String commandName, Map<String, String> parameters) {
        CommandResponse response = run(commandName, parameters);
        List<TableResponse.Row> rows = response.getTableResponse().getTableVariable().getRowsList();
        if (rows.size() != 1 || rows.get(0).getColumnsCount() != 1) {
            throw new IllegalStateException(commandName + " answered a table that is not one text: "
                    + response);
        }
        return rows.get(0).getColumns(0);
    }

    private static List<String> firstColumn(CommandResponse response) {
        List<String> texts = new ArrayList<>();
        for (TableResponse.Row row : response.getTableResponse().getTableVariable().getRowsList()) {
            texts.add(row.getColumnsCount() == 0 ? "" : row.getColumns(0));
        }
        return texts;
    }

    /**
     * Writes {@code value} into the cell or range at {@code address} (such as "B3" or "B2:C4")
     * of the current sheet. The application interprets the text as if typed.
     */
    public void setCell(String address, String value) {
        run("SetCell", Map.of(
                "SetCellOption", "1",
                "SpecifiedCellFrom", address,
                "SetCellValue", value));
    }

    /** Makes the sheet of this name the current sheet. */
    public void switchSheet(String sheetName) {
        run("SwitchToSheet", Map.of(
                "ActivateSheetOption", "1",
                "Name", sheetName));
    }

    /** The addresses of the current sheet's cells that contain {@code text}, ignoring case. */
    public List<String> find(String text) {
        return find(text, false, false);
    }

    /**
     * The addresses (such as "C12") of the cells from A1 to the sheet's last cell that contain
     * {@code text} (or, with {@code matchEntire}, hold exactly it), by rows, each once.
     */
    public List<String> find(String text, boolean matchCase, boolean matchEntire) {
        return find(Map.of("FromOption", "0", "TillOption", "1"), text, true, matchCase, matchEntire);
    }

    /**
     * The addresses of the matching cells of the block from {@code fromCell} to {@code toCell},
     * by rows or by columns, each once, fetching every page.
     */
    public List<String> find(String fromCell, String toCell, String text, boolean byRows,
            boolean matchCase, boolean matchEntire) {
        return find(Map.of("FromOption", "3", "TillOption", "3",
                "SpecifiedCellFrom", fromCell, "SpecifiedCellTo", toCell),
                text, byRows, matchCase, matchEntire);
    }

    private List<String> find(Map<String, String> block, String text, boolean byRows,
            boolean matchCase, boolean matchEntire) {
        Map<String, String> parameters = new LinkedHashMap<>(block);
        parameters.put("FindText", text);
        parameters.put("SearchOption", byRows ? "1" : "0");
        parameters.put("MatchCase", matchCase ? "1" : "0");
        parameters.put("MatchEntire", matchEntire ? "1" : "0");
        List<String> rows = new ArrayList<>();
        CommandResponse page = run("Find", parameters);
        while (true) {
            for (TableResponse.Row row : page.getTableResponse().getTableVariable().getRowsList()) {
                rows.add(row.getColumnsCount() == 0 ? "" : row.getColumns(0));
            }
            if (!page.getTableResponse().getMoreRecordsAvailable()) {
                break;
            }
            page = run("GetFindMoreDataResult", Map.of());
        }
        // The search starts from the block's last match and lists the matches in order up to
        // that one again: drop the leading copy so each match appears once, in search order.
        if (rows.size() > 1 && rows.get(0).equals(rows.get(rows.size() - 1))) {
            rows.remove(0);
        }
        return List.copyOf(new LinkedHashSet<>(rows));
    }

    /**
     * Replaces {@code text} by {@code replacement} in every cell from A1 to the sheet's last
     * cell (with {@code matchEntire}, only cells holding exactly the text).
     */
    public void replace(String text, String replacement, boolean matchCase, boolean matchEntire) {
        replace(Map.of("FromOption", "0", "TillOption", "1"), text, replacement, matchCase,
                matchEntire);
    }

    /** Replaces the text in the block from {@code fromCell} to {@code toCell} (one cell too). */
    public void replace(String fromCell, String toCell, String text, String replacement,
            boolean matchCase, boolean matchEntire) {
        replace(Map.of("FromOption", "3", "TillOption", "3",
                "SpecifiedCellFrom", fromCell, "SpecifiedCellTo", toCell),
                text, replacement, matchCase, matchEntire);
    }

    private void replace(Map<String, String> block, String text, String replacement,
            boolean matchCase, boolean matchEntire) {
        Map<String, String> parameters = new LinkedHashMap<>(block);
        parameters.put("FindText", text);
        parameters.put("ReplaceText", replacement);
        parameters.put("SearchOption", "1");
        parameters.put("MatchCase", matchCase ? "1" : "0");
        parameters.put("MatchEntire", matchEntire ? "1" : "0");
        run("Replace", parameters);
    }

    /** How a deletion closes the gap it leaves. */
    public enum Shift {
        /** The cells below move up. */
        UP("0"),
        /** The cells to the right move left. */
        LEFT("1"),
        /** The whole rows of the cells go. */
        ENTIRE_ROWS("2"),
        /** The whole columns of the cells go. */
        ENTIRE_COLUMNS("3");

        final String option;

        Shift(String option) {
            this.option = option;
        }
    }

    /** Deletes the cell or range at {@code address} (such as "B3" or "B2:C4"). */
    public void deleteCells(String address, Shift shift) {
        run("DeleteCells", Map.of("CellOption", "1", "SpecifiedCellFrom", address,
                "DeleteOption", shift.option));
    }

    /** Deletes the block from {@code fromCell} to {@code toCell}. */
    public void deleteCells(String fromCell, String toCell, Shift shift) {
        run("DeleteCells", Map.of("CellOption", "1", "SpecifiedCellFrom", fromCell,
                "SpecifiedCellTo", toCell, "DeleteOption", shift.option));
    }

    /** Deletes the listed cells (such as "B2", "D4") together, in one deletion. */
    public void deleteCells(List<String> addresses, Shift shift) {
        if (addresses.isEmpty()) {
            return;
        }
        for (String address : addresses) {
            if (address.contains(",")) {
                throw new IllegalArgumentException("an address cannot contain a comma: " + address);
            }
        }
        // A single address is sent with a trailing comma so that it still goes as a list.
        String list = String.join(",", addresses) + (addresses.size() == 1 ? "," : "");
        run("DeleteCells", Map.of("CellOption", "1", "SpecifiedCellFrom", list,
                "DeleteOption", shift.option));
    }

    /** Deletes the active cell. */
    public void deleteActiveCell(Shift shift) {
        run("DeleteCells", Map.of("CellOption", "0", "DeleteOption", shift.option));
    }

    /**
     * The nearest cell without a value after {@code address}, to its right or below it (to the
     * sheet's edge); empty when there is none.
     */
    public String findNextEmptyCell(String address, boolean toTheRight) {
        CommandResponse response = run("FindNextEmptyCell", Map.of("CellOption", "1",
                "SpecifiedCellFrom", address, "SearchOption", toTheRight ? "1" : "0"));
        List<TableResponse.Row> rows = response.getTableResponse().getTableVariable().getRowsList();
        return rows.isEmpty() || rows.get(0).getColumnsCount() == 0 ? "" : rows.get(0).getColumns(0);
    }

    /** A direction along a row or a column. */
    public enum Direction {
        LEFT("0"), RIGHT("1"), UP("2"), DOWN("3");

        final String option;

        Direction(String option) {
            this.option = option;
        }
    }

    /**
     * Selects the nearest cell without a value from {@code address} in {@code direction}; the
     * selection stays when there is none.
     */
    public void goToNextEmptyCell(String address, Direction direction) {
        run("GoToNextEmptyCell", Map.of("CellOption", "1", "SpecifiedCellFrom", address,
                "ToWards", direction.option));
    }

    /** Deletes the rows above the used range and the blank rows inside it. */
    public void removeBlankRows() {
        run("RemoveBlankRows", Map.of("BeginningRowOption", "0", "EndRowOption", "0"));
    }

    /**
     * Deletes the blank rows from {@code firstRow} to {@code lastRow} (rows above the used range
     * included); both must lie within the used range's last row.
     */
    public void removeBlankRows(long firstRow, long lastRow) {
        run("RemoveBlankRows", Map.of(
                "BeginningRowOption", "1", "BeginningSpecificRowOption", "0",
                "BeginningRowNumber", Long.toString(firstRow),
                "EndRowOption", "1", "EndSpecificRowOption", "0",
                "EndRowNumber", Long.toString(lastRow)));
    }

    /**
     * Runs the macro with these arguments, each passed as text. Returns true when the macro
     * returned a value and false when it returned none; throws when the application could not
     * run it. An argument cannot contain a comma: the library splits the argument list at commas.
     */
    public boolean runMacro(String macroName, List<String> arguments) {
        for (String argument : arguments) {
            if (argument.contains(",")) {
                throw new IllegalArgumentException(
                        "a macro argument cannot contain a comma: " + argument);
            }
        }
        if (!arguments.isEmpty() && arguments.get(arguments.size() - 1).isEmpty()) {
            throw new IllegalArgumentException(
                    "the last macro argument cannot be empty: a trailing comma adds no argument");
        }
        DefaultResponse status = send("RunMacro", Map.of(
                "MacroName", macroName,
                "MacroArgument", String.join(",", arguments))).getDefaultResponse();
        if (status.getStatus()) {
            return true;
        }
        if (status.getErrorMessage().isEmpty() && status.getErrorCode().isEmpty()) {
            return false;
        }
        throw failure("RunMacro", status);
    }

    /** Closes the workbook, saving it first when asked, and quits the application. */
    public void close(boolean saveChanges) {
        run("Close", Map.of("SaveChanges", saveChanges ? "1" : "0"));
    }

    private CommandResponse run(String commandName, Map<String, String> parameters) {
        CommandResponse response = send(commandName, parameters);
        if (!response.getDefaultResponse().getStatus()) {
            throw failure(commandName, response.getDefaultResponse());
        }
        return response;
    }

    private CommandResponse send(String commandName, Map<String, String> parameters) {
        return library.send(Command.newBuilder()
                .setCommandName(commandName)
                .putParameter("SessionName", sessionName)
                .putAllParameter(parameters)
                .build());
    }

    private static CommandFailedException failure(String commandName, DefaultResponse status) {
        return new CommandFailedException(commandName, status.getErrorCode(),
                status.getErrorMessage(), status.getParameterMap());
    }
}
