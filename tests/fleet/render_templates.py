"""Renders the templates of the JSON file named, {"templates": {id: text},
"payloads": [...]}, on each payload (null: not JSON) with every undefined
name an error; prints {id: [text per payload]}. Exit 77: no jinja2."""
import json
import sys

try:
    import jinja2
except ImportError:
    sys.exit(77)

with open(sys.argv[1], encoding="utf-8") as file:
    request = json.load(file)
strict = jinja2.Environment(undefined=jinja2.StrictUndefined)
print(json.dumps({entity: [strict.from_string(text).render({} if payload is None else {"value_json": payload})
                           for payload in request["payloads"]] for entity, text in request["templates"].items()}))
