package norvix.sheetwright;

import com.google.gson.Gson;
import com.google.gson.JsonArray;
import com.google.gson.JsonElement;
import com.google.gson.JsonObject;
import com.google.gson.JsonParser;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Comparator;
import java.util.List;
import java.util.Map;
import java.util.Objects;
import java.util.concurrent.atomic.AtomicReference;
import java.util.stream.Stream;

/**
 * A Java host end to end: loads the library through JNA, drives a workbook written by openpyxl
 * through reading, paging, writing, sheets and macros, saves it, and checks the saved file both
 * through the library and through openpyxl. Text outside ASCII (umlauts, CJK, emoji) travels in
 * both directions in a sheet name, cells and macro arguments.
 *
 * <p>Arguments: the library file, the Python interpreter that has openpyxl, xlsx_fixture.py.
 * Exits with status 1 and a message naming the failed check on any mismatch.
 */
public final class JavaHostTest {

    private static final String DATA_SHEET = "Data";
    private static final String WORLD_SHEET = "Übersicht 東京 😀";
    private static final String WORLD_GREETING = "Grüße aus 東京 😀";
    private static final List<String> HEADER = List.of("Item", "Name", "Count");
    /** Rows below the header; with three columns the sheet needs more than one page. */
    private static final int DATA_ROWS = 4000;
    /** Also carries the characters that JSON escapes on the way in. */
    private static final String WRITTEN_TO_DATA = "Ärger über 北京 🎉 \"<&>'\\";
    private static final String WRITTEN_TO_WORLD = "Ђ ŝ 🍣 한국어 ✓";
    private static final String EDIT_SHEET = "Edit";
    /** Rows 2 and 4 blank. */
    private static final List<List<String>> EDIT_ROWS = java.util.Arrays.asList(
            java.util.Arrays.asList("word", "x"), java.util.Arrays.asList((String) null),
            java.util.Arrays.asList("word 2", "y"), java.util.Arrays.asList((String) null),
            java.util.Arrays.asList("keep", "z"), java.util.Arrays.asList("word 3", "w"));

    private final Path python;
    private final Path fixtureScript;
    private final Path workbook;
    private final Sheetwright library;

    private JavaHostTest(Path python, Path fixtureScript, Path workFolder) {
        this.python = python;
        this.fixtureScript = fixtureScript;
        this.workbook = workFolder.resolve("host.xlsx");
        checkNativeLibrariesInJar();
        this.library = Sheetwright.load();
    }

    /**
     * The test runs from the client's jar without a library path, so {@link Sheetwright#load()}
     * finds the native library in the jar. The Windows DLL must be there too when the build made
     * one ({@code -Dsheetwright.expectWindowsLibrary=true}).
     */
    private static void checkNativeLibrariesInJar() {
        if (System.getProperty("jna.library.path") != null) {
            throw new IllegalStateException("jna.library.path is set: the test must load from the jar");
        }
        List<String> expected = new ArrayList<>(List.of("/linux-x86-64/libNorvix.Sheetwright.so"));
        if (Boolean.getBoolean("sheetwright.expectWindowsLibrary")) {
            expected.add("/win32-x86-64/Norvix.Sheetwright.dll");
        }
        for (String resource : expected) {
            java.net.URL found = Sheetwright.class.getResource(resource);
            if (found == null || !"jar".equals(found.getProtocol())) {
                throw new IllegalStateException("the client's jar does not carry " + resource);
            }
        }
    }

    public static void main(String[] args) throws Exception {
        if (args.length != 2) {
            System.err.println("usage: JavaHostTest PYTHON XLSX_FIXTURE_SCRIPT");
            System.exit(2);
        }
        Path workFolder = Files.createTempDirectory("sheetwright-java-host-");
        try {
            new JavaHostTest(Path.of(args[0]), Path.of(args[1]), workFolder).run();
        } catch (Throwable failure) {
            System.err.println("java_host FAILED: " + failure);
            failure.printStackTrace();
            System.err.println("files kept in " + workFolder);
            System.exit(1);
        }
        deleteTree(workFolder);
        System.out.println("java_host: every check passed");
    }

    private void run() throws Exception {
        writeFixture();
        step("the boundary answers text that is not a command with {}");
        check("reply to text that is not JSON", library.sendJson("not a command"), "{}");

        WorkbookSession session = library.session("java-host");
        step("open " + DATA_SHEET + " with a header row");
        session.open(workbook, DATA_SHEET, true);
        readCells(session);
        readWholeSheet(session);
        readRowsBlocksAndColumns(session);
        addressesAndSelection(session);
        writeCells(session);
        otherSheetWithNonAsciiName(session);
        findText(session);
        editCells(session);
        macros(session);
        threadRule();
        step("close, saving the changes");
        session.close(true);

        reopenThroughTheLibrary();
        readSavedFileWithOpenpyxl();
    }

    private void readCells(WorkbookSession session) {
        step("read single cells");
        check("A1", session.readCell("A1"), "Item");
        check("B2", session.readCell("B2"), dataRow(1).get(1));
        check("C2 (a number)", session.readCell("C2"), "1");
        check("C4001", session.readCell("C4001"), String.valueOf(DATA_ROWS));
    }

    private void readWholeSheet(WorkbookSession session) {
        step("page through the whole sheet");
        SheetData sheet = session.readSheet();
        check("rows of the sheet", sheet.rows().size(), DATA_ROWS + 1);
        if (sheet.pages() < 2) {
            fail("the sheet came in " + sheet.pages() + " page(s); " + (DATA_ROWS + 1) * 3
                    + " cells need at least 2");
        }
        check("header row", sheet.rows().get(0), HEADER);
        for (int row = 1; row <= DATA_ROWS; row++) {
            check("sheet row " + (row + 1), sheet.rows().get(row), dataRow(row));
        }
        System.out.println("  " + sheet.rows().size() + " rows in " + sheet.pages() + " pages");
    }

    private void readRowsBlocksAndColumns(WorkbookSession session) {
        step("walk the sheet row by row with GetSingleRow");
        List<List<String>> walked = new ArrayList<>();
        int rows = session.walkRows("A1", "C" + (DATA_ROWS + 1), walked::add);
        check("rows walked", rows, DATA_ROWS + 1);
        check("walked header row", walked.get(0), HEADER);
        for (int row = 1; row <= DATA_ROWS; row++) {
            check("walked row " + (row + 1), walked.get(row), dataRow(row));
        }
        check("a row asked again while the walk lives",
                session.rangeRow("A2", "C5", 3), new RangeRow(dataRow(3), true));

        step("read a block and a block of whole used rows");
        SheetData block = session.readBlock("B2", "C4");
        check("block B2:C4", block.rows(), List.of(
                dataRow(1).subList(1, 3), dataRow(2).subList(1, 3), dataRow(3).subList(1, 3)));
        SheetData usedRows = session.readUsedRows(DATA_ROWS, DATA_ROWS + 1);
        check("used rows " + DATA_ROWS + " to " + (DATA_ROWS + 1), usedRows.rows(),
                List.of(dataRow(DATA_ROWS - 1), dataRow(DATA_ROWS)));
        check("rows from A1 to the used end", session.readToUsedEnd().rows().size(), DATA_ROWS + 1);

        step("read a column and a row");
        List<String> counts = session.readColumn("C2", false);
        check("cells of column C from C2", counts.size(), DATA_ROWS);
        for (int row = 1; row <= DATA_ROWS; row++) {
            check("C" + (row + 1), counts.get(row - 1), dataRow(row).get(2));
        }
        check("row 3 from column A", session.readRow("B3", true), dataRow(2));
    }

    private void addressesAndSelection(WorkbookSession session) {
        step("used range, last cell and addresses by column title");
        check("used range", session.usedRange(), "A1:C" + (DATA_ROWS + 1));
        check("last cell", session.lastCellAddress(), "C" + (DATA_ROWS + 1));
        check("address of Count, data row 5", session.cellAddress("Count", 5), "C6");
        check("column of AB17", session.columnName("AB17"), "AB");
        check("row of AB17", session.rowNumber("AB17"), 17L);
        CommandFailedException unknown = expectFailure("a title that is not in the header row",
                () -> session.cellAddress("Missing", 1));
        check("error code of the unknown title", unknown.errorCode(), "EXCEL_QUV_GET_CELL_ADD_102");
        check("parameter of the unknown title", unknown.parameters(), Map.of("ColumnTitle", "Missing"));

        step("select cells, rows and columns");
        session.selectCells("B7", "C9");
        check("active cell after selecting B7:C9", session.activeCellAddress(), "B7");
        session.selectRows(12, 10);
        check("active cell after selecting rows 10 to 12", session.activeCellAddress(), "A10");
        session.selectColumns("C", "B");
        check("active cell after selecting columns B to C", session.activeCellAddress(), "B1");
        check("column of the active cell", session.columnName(null), "B");
        session.selectToUsedEnd();
        check("row of the active cell", session.rowNumber(null), 1L);
    }

    private void writeCells(WorkbookSession session) {
        step("write a cell with umlauts, CJK and an emoji and read it back");
        session.setCell("B3", WRITTEN_TO_DATA);
        check("B3 after writing", session.readCell("B3"), WRITTEN_TO_DATA);

        step("the header row refuses writes");
        CommandFailedException refused = expectFailure("writing A1 under a header row",
                () -> session.setCell("A1", "overwritten"));
        check("error code of the refused write", refused.errorCode(), "EXCEL_QUV_SETCELL_101");
        check("A1 after the refused write", session.readCell("A1"), "Item");
    }

    private void otherSheetWithNonAsciiName(WorkbookSession session) {
        step("switch to the sheet " + quote(WORLD_SHEET));
        session.switchSheet(WORLD_SHEET);
        check("A1 written by openpyxl", session.readCell("A1"), WORLD_GREETING);
        session.setCell("B2", WRITTEN_TO_WORLD);
        check("B2 after writing", session.readCell("B2"), WRITTEN_TO_WORLD);
        SheetData sheet = session.readSheet();
        check("rows of the switched sheet", sheet.rows(), List.of(
                List.of(WORLD_GREETING, ""),
                List.of("", WRITTEN_TO_WORLD)));
    }

    private void findText(WorkbookSession session) {
        step("find text");
        check("cells holding the text", session.find("東京"), List.of("A1"));
    }

    private void editCells(WorkbookSession session) {
        step("find with paging, replace, delete a list of cells, remove blank rows");
        session.switchSheet(EDIT_SHEET);
        check("cells holding word", session.find("word"), List.of("A1", "A3", "A6"));
        check("block by columns", session.find("A1", "B6", "word", false, false, false),
                List.of("A1", "A3", "A6"));
        session.replace("word", "term", false, false);
        check("A3 after replacing", session.readCell("A3"), "term 2");
        CommandFailedException refused = expectFailure("deleting a header cell",
                () -> session.deleteCells(List.of("B3", "A1"), WorkbookSession.Shift.UP));
        check("error code of the refused deletion", refused.errorCode(), "EXCEL_QUV_DELETECELL_101");
        session.deleteCells(List.of("B3", "B5"), WorkbookSession.Shift.UP);
        check("B4 after deleting B3 and B5", session.readCell("B4"), "w");
        check("next empty cell below B1", session.findNextEmptyCell("B1", false), "B2");
        session.removeBlankRows();
        check("A2 after removing blank rows", session.readCell("A2"), "term 2");
        check("A5 after removing blank rows", session.readCell("A5"), "term 3");
        session.switchSheet(WORLD_SHEET);
    }

    private void macros(WorkbookSession session) {
        step("run a macro registered through a JNA callback");
        List<List<String>> calls = new ArrayList<>();
        library.registerMacro("Greet", arguments -> {
            calls.add(arguments);
            return "Hallo " + String.join("|", arguments);
        });
        List<String> arguments = List.of("Grüße", "", "東京 😀");
        check("Greet returned a value", session.runMacro("Greet", arguments), true);
        check("arguments the macro received", calls, List.of(arguments));

        library.registerMacro("Silent", ignored -> null);
        check("Silent returned a value", session.runMacro("Silent", List.of()), false);

        step("an unknown macro fails");
        CommandFailedException unknown = expectFailure("running an unknown macro",
                () -> session.runMacro("NoSuchMacro", List.of()));
        if (unknown.errorMessage().isEmpty()) {
            fail("an unknown macro failed without a message: " + unknown.getMessage());
        }

        step("a macro cannot call the library while its command runs");
        library.registerMacro("Reentrant", ignored -> session.readCell("A1"));
        try {
            session.runMacro("Reentrant", List.of());
            fail("a macro that calls the library ran without complaint");
        } catch (Sheetwright.MacroFailedException expected) {
            if (!(expected.getCause() instanceof IllegalStateException)) {
                fail("the re-entrant call failed with " + expected.getCause());
            }
        }
        check("A1 after the refused re-entrant call", session.readCell("A1"), WORLD_GREETING);
    }

    private void threadRule() throws InterruptedException {
        step("calls from another thread are refused");
        AtomicReference<Throwable> outcome = new AtomicReference<>();
        Thread other = new Thread(() -> {
            try {
                library.sendJson("{}");
            } catch (Throwable failure) {
                outcome.set(failure);
            }
        }, "other-thread");
        other.start();
        other.join();
        if (!(outcome.get() instanceof IllegalStateException)) {
            fail("a call from another thread gave " + outcome.get());
        }
    }

    private void reopenThroughTheLibrary() {
        step("reopen the saved workbook through the library");
        WorkbookSession check = library.session("java-host-check");
        check.open(workbook, WORLD_SHEET, false);
        check("saved A1", check.readCell("A1"), WORLD_GREETING);
        check("saved B2", check.readCell("B2"), WRITTEN_TO_WORLD);
        check.switchSheet(DATA_SHEET);
        check("saved B3 of " + DATA_SHEET, check.readCell("B3"), WRITTEN_TO_DATA);
        check("saved A1 of " + DATA_SHEET, check.readCell("A1"), "Item");
        check("saved rows of " + DATA_SHEET, check.readSheet().rows().size(), DATA_ROWS + 1);
        check.close(false);
    }

    private void readSavedFileWithOpenpyxl() throws IOException, InterruptedException {
        step("read the saved workbook with openpyxl");
        Path description = workbook.resolveSibling("saved.json");
        runFixtureScript("read", workbook.toString(), description.toString());
        JsonArray sheets = JsonParser.parseString(
                Files.readString(description, StandardCharsets.UTF_8))
                .getAsJsonObject().getAsJsonArray("sheets");
        check("sheets in the saved file", sheets.size(), 3);
        JsonArray editRows = sheets.get(2).getAsJsonObject().getAsJsonArray("rows");
        check("rows of " + EDIT_SHEET + " in the saved file", editRows.size(), 5);
        check("A1 of " + EDIT_SHEET, cellText(editRows, 1, 1), "term");
        check("B1 of " + EDIT_SHEET, cellText(editRows, 1, 2), "x");
        check("A2 of " + EDIT_SHEET, cellText(editRows, 2, 1), "term 2");
        check("B3 of " + EDIT_SHEET, cellText(editRows, 3, 2), "w");
        check("A4 of " + EDIT_SHEET, cellText(editRows, 4, 1), "keep");
        JsonObject data = sheets.get(0).getAsJsonObject();
        JsonObject world = sheets.get(1).getAsJsonObject();
        check("first sheet name", data.get("name").getAsString(), DATA_SHEET);
        check("second sheet name", world.get("name").getAsString(), WORLD_SHEET);
        JsonArray dataRows = data.getAsJsonArray("rows");
        check("rows of " + DATA_SHEET + " in the saved file", dataRows.size(), DATA_ROWS + 1);
        check("B3 of " + DATA_SHEET + " in the saved file", cellText(dataRows, 3, 2),
                WRITTEN_TO_DATA);
        JsonElement count = cell(dataRows, 3, 3);
        if (count == null || !count.isJsonPrimitive() || !count.getAsJsonPrimitive().isNumber()
                || count.getAsDouble() != 2.0) {
            fail("C3 of " + DATA_SHEET + " in the saved file: expected the number 2 but got "
                    + count);
        }
        JsonArray worldRows = world.getAsJsonArray("rows");
        check("A1 of the second sheet in the saved file", cellText(worldRows, 1, 1),
                WORLD_GREETING);
        check("B2 of the second sheet in the saved file", cellText(worldRows, 2, 2),
                WRITTEN_TO_WORLD);
    }

    // ---- fixture ----

    private static List<String> dataRow(int row) {
        return List.of("Item " + row, "Stück " + row, String.valueOf(row));
    }

    private void writeFixture() throws IOException, InterruptedException {
        step("write the workbook with openpyxl");
        List<List<Object>> dataRows = new ArrayList<>();
        dataRows.add(List.copyOf(HEADER));
        for (int row = 1; row <= DATA_ROWS; row++) {
            dataRows.add(List.of("Item " + row, "Stück " + row, row));
        }
        Map<String, Object> description = Map.of("sheets", List.of(
                Map.of("name", DATA_SHEET, "rows", dataRows),
                Map.of("name", WORLD_SHEET, "rows", List.of(List.of(WORLD_GREETING))),
                Map.of("name", EDIT_SHEET, "rows", EDIT_ROWS)));
        Path descriptionFile = workbook.resolveSibling("fixture.json");
        Files.writeString(descriptionFile, new Gson().toJson(description), StandardCharsets.UTF_8);
        runFixtureScript("write", descriptionFile.toString(), workbook.toString());
    }

    private void runFixtureScript(String... arguments) throws IOException, InterruptedException {
        List<String> command = new ArrayList<>(List.of(python.toString(), fixtureScript.toString()));
        command.addAll(List.of(arguments));
        ProcessBuilder process = new ProcessBuilder(command).inheritIO();
        // A sanitizer build preloads the ASan runtime into this JVM; Python needs none of it.
        process.environment().remove("LD_PRELOAD");
        int exitStatus = process.start().waitFor();
        if (exitStatus != 0) {
            fail(String.join(" ", command) + " exited with status " + exitStatus);
        }
    }

    private static JsonElement cell(JsonArray rows, int row, int column) {
        JsonArray cells = rows.get(row - 1).getAsJsonArray();
        return column <= cells.size() ? cells.get(column - 1) : null;
    }

    private static String cellText(JsonArray rows, int row, int column) {
        JsonElement value = cell(rows, row, column);
        return value == null || value.isJsonNull() ? null : value.getAsString();
    }

    // ---- checks ----

    private static void step(String description) {
        System.out.println("- " + quote(description));
    }

    private static void check(String what, Object actual, Object expected) {
        if (!Objects.equals(actual, expected)) {
            fail(what + ": expected " + quote(String.valueOf(expected)) + " but got "
                    + quote(String.valueOf(actual)));
        }
    }

    private static CommandFailedException expectFailure(String what, Runnable action) {
        try {
            action.run();
        } catch (CommandFailedException expected) {
            return expected;
        }
        throw new AssertionError(what + ": the command succeeded but should have failed");
    }

    private static void fail(String message) {
        throw new AssertionError(message);
    }

    /**
     * The text with every character outside ASCII written as its code point, so that a message
     * stays exact on a console that cannot show the character.
     */
    private static String quote(String text) {
        StringBuilder shown = new StringBuilder();
        text.codePoints().forEach(codePoint -> {
            if (codePoint < 0x80) {
                shown.appendCodePoint(codePoint);
            } else {
                shown.append(String.format("\\u{%X}", codePoint));
            }
        });
        return shown.toString();
    }

    private static void deleteTree(Path folder) throws IOException {
        try (Stream<Path> paths = Files.walk(folder)) {
            for (Path path : paths.sorted(Comparator.reverseOrder()).toList()) {
                Files.delete(path);
            }
        }
    }
}
