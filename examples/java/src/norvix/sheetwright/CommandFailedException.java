package norvix.sheetwright;

import java.util.Map;

/** A command whose reply carried a false status. */
public final class CommandFailedException extends RuntimeException {

    private final String commandName;
    private final String errorCode;
    private final String errorMessage;
    private final Map<String, String> parameters;

    public CommandFailedException(String commandName, String errorCode, String errorMessage,
            Map<String, String> parameters) {
        super(describe(commandName, errorCode, errorMessage, parameters));
        this.commandName = commandName;
        this.errorCode = errorCode;
        this.errorMessage = errorMessage;
        this.parameters = Map.copyOf(parameters);
    }

    public String commandName() {
        return commandName;
    }

    /** Such as "EXCEL_QUV_SETCELL_101"; empty when the library set none. */
    public String errorCode() {
        return errorCode;
    }

    /** The library's failure text; may be empty. */
    public String errorMessage() {
        return errorMessage;
    }

    /** Named details of the failure, such as the range or sheet name that could not be used. */
    public Map<String, String> parameters() {
        return parameters;
    }

    private static String describe(String commandName, String errorCode, String errorMessage,
            Map<String, String> parameters) {
        StringBuilder text = new StringBuilder(commandName).append(" failed");
        if (!errorCode.isEmpty()) {
            text.append(" with ").append(errorCode);
        }
        if (!errorMessage.isEmpty()) {
            text.append(": ").append(errorMessage);
        }
        if (!parameters.isEmpty()) {
            text.append(' ').append(parameters);
        }
        return text.toString();
    }
}
