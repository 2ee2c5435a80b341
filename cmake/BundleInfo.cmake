# The text of `value` as a JSON string literal, quotes included.
function(tarvo_json_string out value)
  string(REPLACE "\\" "\\\\" value "${value}")
  string(REPLACE "\"" "\\\"" value "${value}")
  string(REPLACE "\n" "\\n" value "${value}")
  string(REPLACE "\t" "\\t" value "${value}")
  set(${out} "\"${value}\"" PARENT_SCOPE)
endfunction()

# Writes bundle-info.json beside `target`'s executable: the version and build of this tree, then
# each further KEY VALUE pair, all as strings. Values may hold generator expressions.
function(tarvo_bundle_info target)
  tarvo_json_string(version "${TARVO_VERSION}")
  tarvo_json_string(build "${TARVO_BUILD}")
  set(members "  \"CFBundleShortVersionString\": ${version},\n  \"CFBundleVersion\": ${build}")
  # ARGV<n> keeps an empty value, which a list of the arguments would drop.
  set(index 1)
  while(index LESS ARGC)
    math(EXPR next "${index} + 1")
    tarvo_json_string(quoted "${ARGV${next}}")
    string(APPEND members ",\n  \"${ARGV${index}}\": ${quoted}")
    math(EXPR index "${index} + 2")
  endwhile()
  file(GENERATE OUTPUT "$<TARGET_FILE_DIR:${target}>/bundle-info.json" CONTENT "{\n${members}\n}\n")
endfunction()
