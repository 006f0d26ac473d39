#include "session/CExcelCom.h"

// Every member starts empty or null (see the member initialisers); ExcelBase
// starts with an empty argument list and empty error texts.
CExcelCom::CExcelCom() = default;

// The caches, the column-title map, the sheet name and the response copy
// release themselves. The application, workbook and worksheet references are
// deliberately left alone: the close operations own their release.
CExcelCom::~CExcelCom() = default;
