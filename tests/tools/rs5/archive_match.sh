# Sourced by the download tests: compares a downloaded database with the simulator's CSV of the archive it served.
# The caller defines fail.

# rows_match_archive DB CSV COUNT: every row of DB equals its record in CSV, field by field, and there are COUNT.
rows_match_archive() {
    local db=$1 csv=$2 count=$3
    sqlite3 "$db" ".import --csv $csv Archive" || fail "importing the CSV"
    local mismatches
    mismatches=$(sqlite3 "$db" "
        SELECT count(*) FROM Sys JOIN Archive ON Sys.NN = CAST(Archive.number AS INTEGER) WHERE NOT (
            Sys.DataTime = substr(date_time, 7, 4) || '-' || substr(date_time, 4, 2) || '-' || substr(date_time, 1, 2)
                           || ' ' || substr(date_time, 12)
            AND Sys.Vid = Archive.grain
            AND round(Sys.W, 1) = CAST(Archive.W AS REAL)
            AND Sys.N IS (CASE Archive.N WHEN '' THEN NULL ELSE CAST(Archive.N AS REAL) END)
            AND round(Sys.m, 1) IS (CASE Archive.m WHEN '' THEN NULL ELSE CAST(Archive.m AS REAL) END)
            AND Sys.t = CAST(CAST(Archive.t AS REAL) AS INTEGER)
            AND Sys.Type = (CASE Archive.calibration WHEN '0' THEN 'Базовая' ELSE 'Индивидуальная' END)
            AND Sys.Op IS NULL)")
    [ "$mismatches" = 0 ] || fail "$mismatches rows differ from the archive"
    local matched
    matched=$(sqlite3 "$db" "SELECT count(*) FROM Sys JOIN Archive ON Sys.NN = CAST(Archive.number AS INTEGER)")
    [ "$matched" = "$count" ] || fail "rows do not match the archive's numbers"
    sqlite3 "$db" "DROP TABLE Archive"
}
