package norvix.sheetwright;

import java.util.List;

/**
 * The cell texts of a sheet's used range, top row first, and the number of replies they came in.
 */
public record SheetData(List<List<String>> rows, int pages) {

    public SheetData {
        rows = List.copyOf(rows);
    }
}
