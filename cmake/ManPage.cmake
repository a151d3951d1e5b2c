# Writes the manual page from the program's own --help, gzipped:
#   cmake -DPROGRAM=corvanta-cli -DOUTPUT=corvanta-cli.1.gz -DVERSION=1.3.0 -P ManPage.cmake
execute_process(COMMAND "${PROGRAM}" --help OUTPUT_VARIABLE help RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --help failed (${rc})")
endif()
# In roff a backslash starts an escape and a line starting with . or ' is a
# request: the help text is kept as it is printed.
string(REPLACE "\\" "\\e" help "${help}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
get_filename_component(dir "${OUTPUT}" DIRECTORY)
set(page "${dir}/corvanta-cli.1")
file(WRITE "${page}"
  ".TH CORVANTA-CLI 1 \"\" \"corvanta-cli ${VERSION}\" \"User Commands\"\n"
  ".SH NAME\n"
  "corvanta-cli \\- registry cleaner for stopped Wine prefixes and Windows volumes\n"
  ".SH SYNOPSIS\n"
  ".B corvanta-cli\n"
  "[\\fB\\-\\-prefix\\fR \\fIDIR\\fR|\\fIN\\fR|\\fBall\\fR | \\fB\\-\\-offline\\fR \\fIDIR\\fR] "
  "\\fICOMMAND\\fR [\\fIOPTIONS\\fR]\n"
  ".br\n"
  ".B corvanta-cli prefixes\n"
  "[\\fB\\-\\-json\\fR]\n"
  ".SH DESCRIPTION\n"
  ".nf\n"
  "${help}"
  ".fi\n"
  ".PP\n"
  "Each command prints its own options with \\fBcorvanta-cli\\fR \\fICOMMAND\\fR \\fB\\-\\-help\\fR.\n")
file(ARCHIVE_CREATE OUTPUT "${OUTPUT}" PATHS "${page}" FORMAT raw COMPRESSION GZip)
