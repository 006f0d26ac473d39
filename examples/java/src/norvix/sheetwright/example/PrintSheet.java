package norvix.sheetwright.example;

import java.nio.file.Path;
import norvix.sheetwright.SheetData;
import norvix.sheetwright.Sheetwright;
import norvix.sheetwright.WorkbookSession;

/**
 * Prints every row of a sheet, cells separated by tabs.
 *
 * <pre>
 * java -Djna.library.path=build -cp ... norvix.sheetwright.example.PrintSheet WORKBOOK [SHEET]
 * </pre>
 */
public final class PrintSheet {

    private PrintSheet() {
    }

    public static void main(String[] args) {
        if (args.length < 1 || args.length > 2) {
            System.err.println("usage: PrintSheet WORKBOOK [SHEET]");
            System.exit(2);
        }
        Sheetwright library = Sheetwright.load();
        WorkbookSession session = library.session("print");
        session.open(Path.of(args[0]), args.length > 1 ? args[1] : null, false);
        try {
            SheetData sheet = session.readSheet();
            for (var row : sheet.rows()) {
                System.out.println(String.join("\t", row));
            }
        } finally {
            session.close(false);
        }
    }
}
