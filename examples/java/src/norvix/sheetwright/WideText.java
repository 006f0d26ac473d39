package norvix.sheetwright;

import com.sun.jna.Memory;
import com.sun.jna.Native;
import com.sun.jna.Pointer;
import java.nio.ByteBuffer;
import java.nio.ByteOrder;

/**
 * Conversions between Java strings and the platform's {@code wchar_t} text: UTF-32 where
 * {@code wchar_t} has 4 bytes (Linux), UTF-16 where it has 2 (Windows). Whole code points cross
 * in both directions, so characters outside the Basic Multilingual Plane survive.
 */
public final class WideText {

    private static final int REPLACEMENT_CHARACTER = 0xFFFD;

    private WideText() {
    }

    /** A new NUL-terminated copy of {@code text}; it lives as long as the returned object. */
    public static Memory toNative(String text) {
        if (Native.WCHAR_SIZE == 2) {
            char[] units = text.toCharArray();
            Memory memory = new Memory((units.length + 1L) * 2);
            memory.write(0, units, 0, units.length);
            memory.setChar(units.length * 2L, '\0');
            return memory;
        }
        int[] codePoints = text.codePoints().toArray();
        Memory memory = new Memory((codePoints.length + 1L) * 4);
        memory.write(0, codePoints, 0, codePoints.length);
        memory.setInt(codePoints.length * 4L, 0);
        return memory;
    }

    /**
     * The text up to the first NUL, or null for a null pointer. A UTF-32 unit that is not a
     * Unicode scalar value (a surrogate, or above U+10FFFF) becomes U+FFFD.
     */
    public static String fromNative(Pointer text) {
        if (text == null) {
            return null;
        }
        // A view over the native memory: nothing is read past the terminator.
        ByteBuffer units = text.getByteBuffer(0, Integer.MAX_VALUE).order(ByteOrder.nativeOrder());
        StringBuilder result = new StringBuilder();
        if (Native.WCHAR_SIZE == 2) {
            for (char unit = units.getChar(); unit != 0; unit = units.getChar()) {
                result.append(unit);
            }
            return result.toString();
        }
        for (int unit = units.getInt(); unit != 0; unit = units.getInt()) {
            boolean scalarValue = Character.isValidCodePoint(unit)
                    && !(unit >= Character.MIN_SURROGATE && unit <= Character.MAX_SURROGATE);
            result.appendCodePoint(scalarValue ? unit : REPLACEMENT_CHARACTER);
        }
        return result.toString();
    }
}
