#!/usr/bin/python3
"""The administrative templates against the program's own table of policy values (app/Policy.cpp).

Every policy of policy/Quillrest.admx writes, under the program's policy key, a value name the
program reads as a policy, with the kind it reads (a number with the same range); every policy
value the program reads has its policy; every string and presentation the ADMX names is in the
ADML; "supported on" and the category are the template's own; no combo boxes or drop-down lists
(Intune's template import refuses them).  Usage: check_templates.py <source root>
"""
import re
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

NS = {"p": "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions"}
root = Path(sys.argv[1])
errors = []

# {value name: (kind, minimum, maximum)} and the policy key, from the C++ sources.
consts = {k: v.replace("\\\\", "\\") for k, v in
          re.findall(r'constexpr const char\* (k\w+) = "([^"]*)";', (root / "app/RegNames.h").read_text())}
block = re.search(r"const PolicySetting kPolicies\[\] = \{(.*?)\n\};", (root / "app/Policy.cpp").read_text(), re.S)
rows = re.findall(r"\{(k\w+), PolicyKind::(\w+), (\d+), (\d+), (?:true|false)\}", block.group(1) if block else "")
if not rows or len(rows) != block.group(1).count("PolicyKind::"):
    sys.exit("app/Policy.cpp: the table kPolicies is missing or has a row this check cannot read")
table = {consts[c]: (k, int(low), int(high)) if k == "Number" else (k,) for c, k, low, high in rows}
key = consts["kPolicyKey"].lower()

admx = ET.parse(root / "policy/Quillrest.admx").getroot()
adml = ET.parse(root / "policy/en-US/Quillrest.adml").getroot()
defined = {"string": {s.get("id"): s.text for s in adml.iterfind(".//p:string", NS)},
           "presentation": {p.get("id"): p for p in adml.iterfind(".//p:presentation", NS)}}


def text(ref, where, kind="string"):
    """What `ref` ("$(string.x)" or "$(presentation.x)") names in the ADML."""
    match = re.fullmatch(r"\$\((string|presentation)\.([^)]+)\)", ref or "")
    if not match or match.group(1) != kind or match.group(2) not in defined[kind]:
        errors.append(f"{where}: {ref!r} names no {kind} of the ADML")
        return None
    return defined[kind][match.group(2)]


supported = {d.get("name"): text(d.get("displayName"), "supportedOn")
             for d in admx.iterfind("p:supportedOn/p:definitions/p:definition", NS)}
categories = {c.get("name") for c in admx.iterfind("p:categories/p:category", NS) if text(c.get("displayName"), "category")}
if categories != {"Quillrest"}:
    errors.append(f"categories {sorted(categories)}: expected the one category 'Quillrest'")
errors += [f"ADML: {e.tag.split('}')[1]} {e.get('refId')}: Intune refuses it" for e in adml.iter()
           if e.tag.endswith(("}comboBox", "}dropdownList"))]

written = {}
kinds = {"decimal": lambda e: ("Number", int(e.get("minValue", 0)), int(e.get("maxValue", 9999))),
         "text": lambda e: ("WebAddress",), "boolean": lambda e: ("Flag",)}
for policy in admx.iterfind("p:policies/p:policy", NS):
    where = f"policy {policy.get('name')}"
    text(policy.get("displayName"), where)
    text(policy.get("explainText"), where)
    ref = lambda tag: getattr(policy.find(tag, NS), "attrib", {}).get("ref")
    if policy.get("class") != "Machine" or (policy.get("key") or "").lower() != key:
        errors.append(f"{where}: not a machine policy under {consts['kPolicyKey']}")
    if ref("p:parentCategory") not in categories:
        errors.append(f"{where}: its category is not the template's own")
    if supported.get(ref("p:supportedOn")) != "Windows 95 and later":
        errors.append(f"{where}: not supported on 'Windows 95 and later' as the template itself defines it")
    values = []
    if policy.get("valueName"):
        switch = [getattr(policy.find(f"p:{state}Value/p:decimal", NS), "attrib", {}).get("value")
                  for state in ("enabled", "disabled")]
        if switch != ["1", "0"]:
            errors.append(f"{where}: an on/off policy writes decimal 1 when enabled and 0 when disabled")
        values.append((policy.get("valueName"), ("Flag",)))
    elements = list(policy.iterfind("p:elements/*", NS))
    controls = text(policy.get("presentation"), where, "presentation") if elements else None
    for element in elements:
        tag, eid = element.tag.split("}")[1], element.get("id")
        if controls is not None and not any(c.get("refId") == eid for c in controls):
            errors.append(f"{where}: element {eid} has no control in its presentation")
        if (element.get("key") or key).lower() != key:
            errors.append(f"{where}: element {eid} writes under another key")
        if tag not in kinds:
            errors.append(f"{where}: element <{tag}> writes nothing the program reads")
        values.append((element.get("valueName"), kinds[tag](element) if tag in kinds else None))
    for value, kind in values:
        if value in written or table.get(value) != kind:
            errors.append(f"{where}: writes {value} as {kind}; the program reads {table.get(value)}"
                          + (" (and another policy writes it too)" if value in written else ""))
        written[value] = kind
errors += [f"{value}: the program reads it, but no policy of the ADMX writes it" for value in table if value not in written]

print("\n".join(errors + [f"{len(written)} policy values in the templates, {len(table)} in the program: "
                          + (f"{len(errors)} problems" if errors else "they match")]))
sys.exit(1 if errors else 0)
