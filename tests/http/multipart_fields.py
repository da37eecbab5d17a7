#!/usr/bin/env python3
"""Parses a multipart/form-data body the way Python's standard library does.

Usage: multipart_fields.py CONTENT-TYPE < BODY
Prints one line per part: its name, file name, type and data (Python reprs), or
"not multipart" (exit status 3) when the parser finds no boundary.
"""
import sys
from email import policy
from email.parser import BytesParser

content_type = sys.argv[1]
body = sys.stdin.buffer.read()
head = b"MIME-Version: 1.0\r\nContent-Type: " + content_type.encode("latin-1") + b"\r\n\r\n"
message = BytesParser(policy=policy.HTTP).parsebytes(head + body)
if not message.is_multipart() or message.get_content_type() != "multipart/form-data":
    print("not multipart")
    sys.exit(3)
for defect in message.defects:
    print("defect", type(defect).__name__)
for part in message.iter_parts():
    name = part.get_param("name", header="content-disposition")
    data = part.get_payload(decode=True)
    print("part name=%r filename=%r type=%s data=%r"
          % (name, part.get_filename(), part.get_content_type(), data))
