// The inventory written by --check --report FILE: per device its model and each image's
// installed and packaged version and verdict, or why it could not be read. CSV or JSON by the
// file's extension; every device text is escaped for the format.
#pragma once

#include "CliCheck.h"

#include <string>
#include <utility>
#include <vector>

enum class ReportFormat { CSV, JSON };

// The format named by the path's extension (.csv or .json, any case); false for another.
bool ReportFormatOf(const std::string& path, ReportFormat& format);

// One CSV field, always quoted. A = + - @ (or tab, CR) that would begin a cell, whether the
// spreadsheet splits at ',' or at ';', is neutralised with an apostrophe so that it shows as
// text: at the field's start and after any ',' ';' or tab inside it (past spaces and quotes).
std::string CsvField(const std::string& text);

using InventoryRow = std::pair<std::string, CheckReport>; // the device as given, its reading

std::string InventoryCsv(const std::vector<InventoryRow>& rows);
std::string InventoryJson(const std::vector<InventoryRow>& rows);
