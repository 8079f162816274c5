/* The court's case-file tables that the mail suite reads: parties and their
   postal addresses. Only what the suite relies on; run by make-db.sh with
   isql-fb -ch UTF8 on a database created with DEFAULT CHARACTER SET UTF8. */

CREATE TABLE "Subject" (
  "OID" INTEGER NOT NULL PRIMARY KEY,
  "FullName" VARCHAR(255)
);

CREATE TABLE "Address" (
  "Subject" INTEGER NOT NULL REFERENCES "Subject" ("OID"),
  "Index" VARCHAR(10),
  "Region" VARCHAR(100),
  "Settlement" VARCHAR(100),
  "Street" VARCHAR(100),
  "Building" VARCHAR(20),
  "AdditionalBuilding" VARCHAR(20),
  "Room" VARCHAR(20)
);

COMMIT;
