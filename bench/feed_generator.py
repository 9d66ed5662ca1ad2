"""A timetable (GTFS) made up for the batch benchmark: deterministic for a seed, as large as asked.

write_feed(folder, destinations, trips, stop_times_bytes, seed) writes agency.txt, routes.txt,
trips.txt, stops.txt and stop_times.txt into folder. The feed has exactly `destinations` distinct
pairs of a route's short name and a headsign, each shown by at least one of `trips` trips, so
`qrvx destinations` lists exactly that many. Like real feeds it mixes how a headsign is given:
- most trips carry a trip_headsign;
- some (about 4 % of the destinations) give none, and are named by their last stop;
- some trips also carry a stop_headsign on their first stops, another destination of their route
  (a loop that changes its sign on the way), so stop_times.txt has to be read row by row.
Headsigns are place names in a dozen languages, some with "via" parts long enough to need two
lines, a condensed face or a refusal. stop_times.txt grows to stop_times_bytes, spread evenly over
the trips.
"""
import random

PLACES = {
    "de": ["Hauptbahnhof", "Marktplatz", "Universität", "Klinikum Süd", "Rathaus", "Friedhof",
           "Sportzentrum", "Gewerbegebiet Nord", "Schloßplatz", "Bürgerpark", "Großmarkt",
           "Flughafen", "Messe", "Waldfriedhof", "Hafen", "Zoologischer Garten", "Ostbahnhof",
           "Kirchplatz", "Lindenallee", "Am Mühlenteich"],
    "fr": ["Gare Centrale", "Hôtel de Ville", "Place de la République", "Hôpital Saint-Éloi",
           "Université", "Château d'Eau", "Porte d'Orléans", "Les Halles", "Cité Universitaire",
           "Gare Saint-Lazare", "Pont de Sèvres", "Boulogne–Jean Jaurès", "Église d'Auteuil"],
    "es": ["Estación Central", "Plaza Mayor", "Hospital Universitario", "Aeropuerto",
           "Ciudad Jardín", "Puerta del Sol", "Avenida de Andalucía", "Cañada Real", "Peñalara"],
    "pt": ["São João", "Estação do Oriente", "Praça do Comércio", "Câmara Municipal",
           "Alcântara", "Gaia Jardim do Morro", "Santa Apolónia", "Campo Grande"],
    "sv": ["Centralstationen", "Södermalm", "Järntorget", "Malmö C", "Göteborg", "Årsta",
           "Kungsträdgården", "Mölndals bro"],
    "da": ["Nørreport", "Østerbro", "Ålborg", "Frederiksberg Allé", "Ørestad", "Valby Station"],
    "pl": ["Dworzec Główny", "Plac Grunwaldzki", "Łódź Kaliska", "Kraków Płaszów",
           "Osiedle Słoneczne", "Żoliborz", "Gdańsk Wrzeszcz", "Śródmieście"],
    "cs": ["Náměstí Míru", "Hlavní nádraží", "Žižkov", "Anděl", "Černý Most", "Dejvická",
           "Sídliště Ďáblice", "Nádraží Holešovice"],
    "hu": ["Déli pályaudvar", "Széll Kálmán tér", "Őrmező", "Újpest-Központ", "Kőbánya alsó",
           "Népliget"],
    "tr": ["İstiklal Caddesi", "Şişli Meydanı", "Kadıköy", "Üsküdar İskele", "Beşiktaş",
           "Gülhane"],
    "nl": ["Centraal Station", "Rijksmuseum", "Amstelveen Stadshart", "Sloterdijk",
           "IJburg", "Zuidplein"],
    "it": ["Stazione Centrale", "Piazza del Duomo", "Ospedale Maggiore", "Università Bicocca",
           "Porta Nuova", "Città Studi"],
    "ro": ["Piața Unirii", "Gara de Nord", "Ștefan cel Mare", "Pipera", "Tineretului"],
}
VIA = {"de": "über", "fr": "par", "es": "por", "pt": "via", "sv": "via", "da": "via",
       "pl": "przez", "cs": "přes", "hu": "érintve", "tr": "üzerinden", "nl": "via",
       "it": "via", "ro": "prin"}
ROUTE_PREFIXES = ["", "", "", "", "", "N", "X", "S", "U", "M"]


def headsign(chance, language):
    """A place, sometimes by way of one or two others, sometimes long enough for two lines."""
    places = PLACES[language]
    first = chance.choice(places)
    kind = chance.random()
    if kind < 0.55:
        return first
    second = chance.choice([p for p in places if p != first])
    if kind < 0.85:
        return f"{first} {VIA[language]} {second}"
    if kind < 0.95:
        return f"{first} – {second}"
    third = chance.choice([p for p in places if p not in (first, second)])
    return f"{first} {VIA[language]} {second}, {third}"


def route_names(chance, count):
    names, taken = [], set()
    while len(names) < count:
        number = chance.randint(1, 999 if len(names) < 900 else 9999)
        name = f"{chance.choice(ROUTE_PREFIXES)}{number}"
        if chance.random() < 0.05:
            name += chance.choice("ABE")
        if name not in taken:
            taken.add(name)
            names.append(name)
    return names


def plan_destinations(chance, count):
    """(route index, headsign) pairs, distinct, about seven a route; and the route names."""
    routes = route_names(chance, max(1, count // 7))
    languages = sorted(PLACES)
    pairs, seen = [], set()
    while len(pairs) < count:
        route = len(pairs) % len(routes)
        # A route keeps to one language, as a network does.
        sign = headsign(chance, languages[route % len(languages)])
        if (route, sign) not in seen:
            seen.add((route, sign))
            pairs.append((route, sign))
    return routes, pairs


def write_feed(folder, destinations, trips, stop_times_bytes, seed):
    """The feed in folder (which exists); returns how many bytes stop_times.txt took."""
    chance = random.Random(seed)
    routes, pairs = plan_destinations(chance, destinations)
    # Destinations named only by their last stop: a terminal stop named as the headsign.
    by_last_stop = set(chance.sample(range(len(pairs)), max(1, len(pairs) // 25)))
    stops = [f"de:{chance.randint(1000, 99999):05d}:{n}:{chance.randint(1, 4)}"
             for n in range(max(2000, destinations * 4))]
    terminals = {index: f"term:{index}" for index in by_last_stop}
    with open(f"{folder}/agency.txt", "w", encoding="utf-8") as out:
        out.write("agency_id,agency_name,agency_url,agency_timezone\n"
                  "BENCH,Verkehrsverbund Beispiel,https://example.org,Europe/Berlin\n")
    with open(f"{folder}/routes.txt", "w", encoding="utf-8") as out:
        out.write("route_id,agency_id,route_short_name,route_long_name,route_type\n")
        for index, name in enumerate(routes):
            out.write(f"r{index}_{700 + index % 3},BENCH,{name},,{3 if index % 5 else 0}\n")
    with open(f"{folder}/stops.txt", "w", encoding="utf-8") as out:
        out.write("stop_id,stop_name,stop_lat,stop_lon\n")
        for n, stop in enumerate(stops):
            out.write(f"{stop},Haltestelle {n},{48 + n % 997 / 1000:.6f},{9 + n % 991 / 1000:.6f}\n")
        for index, stop in terminals.items():
            out.write(f'{stop},"{pairs[index][1]}",48.5,9.5\n')
    # Every destination gets trips in turn, so each is shown; the order is shuffled.
    shown = [n % len(pairs) for n in range(trips)]
    chance.shuffle(shown)
    siblings = {}
    for index, (route, _) in enumerate(pairs):
        if index not in by_last_stop:
            siblings.setdefault(route, []).append(index)
    trip_rows = []
    with open(f"{folder}/trips.txt", "w", encoding="utf-8") as out:
        out.write("route_id,service_id,trip_id,trip_headsign,direction_id,shape_id\n")
        for n, index in enumerate(shown):
            route, sign = pairs[index]
            route_id = f"r{route}_{700 + route % 3}"
            trip_id = f"{route_id}-WD-{n:06d}"
            text = "" if index in by_last_stop else sign
            quoted = f'"{text}"' if "," in text else text
            out.write(f"{route_id},WD,{trip_id},{quoted},{n % 2},shp_{route}_{n % 2}\n")
            # A few trips show a sibling destination of their route on their first stops.
            other = None
            if text and chance.random() < 0.03 and len(siblings.get(route, [])) > 1:
                other = pairs[chance.choice([s for s in siblings[route] if s != index])][1]
            trip_rows.append((trip_id, index, other))
    return write_stop_times(folder, chance, trip_rows, stops, terminals, stop_times_bytes)


def write_stop_times(folder, chance, trip_rows, stops, terminals, target):
    written = 0
    rows_written = 0
    with open(f"{folder}/stop_times.txt", "w", encoding="utf-8", newline="\n") as out:
        header = ("trip_id,arrival_time,departure_time,stop_id,stop_sequence,stop_headsign,"
                  "pickup_type,drop_off_type,shape_dist_traveled\n")
        out.write(header)
        written += len(header)
        for left, (trip_id, index, other) in zip(range(len(trip_rows), 0, -1), trip_rows):
            average = written / rows_written if rows_written else 70
            count = max(2, round((target - written) / left / average))
            start = chance.randrange(5 * 3600, 23 * 3600)
            first = chance.randrange(len(stops) - count)
            lines = []
            for sequence in range(1, count + 1):
                seconds = start + sequence * 90
                time = f"{seconds // 3600:02d}:{seconds // 60 % 60:02d}:{seconds % 60:02d}"
                stop = stops[first + sequence - 1]
                if sequence == count and index in terminals:
                    stop = terminals[index]
                sign = other if other and sequence <= count // 3 else ""
                sign = f'"{sign}"' if "," in sign else sign
                lines.append(f"{trip_id},{time},{time},{stop},{sequence},{sign},0,0,"
                             f"{sequence * 412.7:.1f}\n")
            text = "".join(lines)
            out.write(text)
            written += len(text.encode("utf-8"))
            rows_written += count
    return written
