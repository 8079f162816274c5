# Converts the template sources to Excel 97 workbooks in one LibreOffice run.
# Called by templates/CMakeLists.txt as a script (cmake -P) with:
#   SOFFICE          the soffice launcher
#   TIMEOUT_COMMAND  coreutils' timeout, or empty
#   PROFILE_DIR      private LibreOffice profile (absolute path)
#   OUT_DIR          where the .xls files go
#   SOURCES          the .fods files, separated by "|"
set(seconds 180)

string(REPLACE "|" ";" sources "${SOURCES}")
file(MAKE_DIRECTORY "${OUT_DIR}" "${PROFILE_DIR}/tmp")

# A workbook left from an earlier run must not pass for the result of a failed one.
set(outputs)
foreach(src IN LISTS sources)
  get_filename_component(name "${src}" NAME_WLE)
  list(APPEND outputs "${OUT_DIR}/${name}.xls")
endforeach()
file(REMOVE ${outputs})

# The profile goes into a file URL: blanks must be escaped there.
string(REPLACE " " "%20" profile_url "file://${PROFILE_DIR}")
# Leftovers of a killed office (pipes, lock files) stay inside the profile.
set(ENV{TMPDIR} "${PROFILE_DIR}/tmp")

# The template names are Cyrillic: under a locale that is not UTF-8, or one
# the machine never generated (the C library then falls back to ASCII), the
# office cannot load them. Only the character type changes; LC_ALL would
# override it, so its locale moves to LANG.
execute_process(COMMAND locale charmap
  OUTPUT_VARIABLE charmap OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT charmap STREQUAL "UTF-8")
  if(NOT "$ENV{LC_ALL}" STREQUAL "")
    set(ENV{LANG} "$ENV{LC_ALL}")
    unset(ENV{LC_ALL})
  endif()
  set(ENV{LC_CTYPE} "C.UTF-8")
endif()

set(command "${SOFFICE}" "-env:UserInstallation=${profile_url}"
    --headless --norestore --nologo --nolockcheck
    --convert-to "xls:MS Excel 97" --outdir "${OUT_DIR}" ${sources})
if(TIMEOUT_COMMAND)
  set(command "${TIMEOUT_COMMAND}" -k 10 ${seconds} ${command})
endif()
execute_process(
  COMMAND ${command}
  RESULT_VARIABLE result
  OUTPUT_VARIABLE output
  ERROR_VARIABLE output
  TIMEOUT ${seconds})

# soffice reports a file it could not convert on its output but still exits 0,
# so the outputs themselves are the proof.
set(missing)
foreach(out IN LISTS outputs)
  if(NOT EXISTS "${out}")
    list(APPEND missing "${out}")
  endif()
endforeach()
if(missing OR NOT result EQUAL 0)
  list(JOIN missing "\n  " missing_text)
  message(FATAL_ERROR
    "Converting the workbook templates failed (soffice result: ${result}).\n"
    "Missing:\n  ${missing_text}\n"
    "soffice said:\n${output}")
endif()
