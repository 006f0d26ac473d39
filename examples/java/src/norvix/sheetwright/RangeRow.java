package norvix.sheetwright;

import java.util.List;

/**
 * One row of a range read by {@link WorkbookSession#rangeRow}: its cell texts, left to right,
 * and whether rows of the range remain after it.
 */
public record RangeRow(List<String> cells, boolean moreRows) {

    public RangeRow {
        cells = List.copyOf(cells);
    }
}
