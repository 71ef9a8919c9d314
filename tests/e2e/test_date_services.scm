; The date service plug-in as scripts use it: bounding boxes left by a draw,
; the image's date record, the fade opacity, raw GIMP-wide parasites and the
; month names, by procedure name.

(define qv-box-values
  (list (list PDB-INT32 "x" "x, 0 if no box is stored")
        (list PDB-INT32 "y" "y, 0 if no box is stored")
        (list PDB-INT32 "width" "width, 0 if no box is stored")
        (list PDB-INT32 "height" "height, 0 if no box is stored")))
(define qv-date-values
  (list (list PDB-FLOAT "day" "0 = no day")
        (list PDB-FLOAT "month" "0 = no month, no day")
        (list PDB-FLOAT "year" "year, negative before the common era")))
(define qv-image-arg (list PDB-IMAGE "image" "Input image"))
(define qv-t-arg (list PDB-FLOAT "t" "0.0 <= t <= 1.0 (0 = first date, 1 = second date)"))
(define qv-month-note "\nA missing or empty name keeps the English name of that month.")

; (name blurb help args values), args and values as (type name description)
(define qv-date-procedures
  (list
   (list "plug-in-qv-bbox-image" "Gets boundary box of last drawn image-path!"
         "Gets boundary box of last drawn image-path!"
         (list (list PDB-INT32 "dummy" "not used")) qv-box-values)
   (list "plug-in-qv-bbox-path" "Gets boundary box of set-bbox: path!"
         "Gets boundary box of set-bbox: path!"
         (list (list PDB-INT32 "dummy" "not used")) qv-box-values)
   (list "plug-in-qv-dtf-get-date" "Gets date from \"qv-dtf-numbers\" parasite!"
         "Gets date from \"qv-dtf-numbers\" parasite!" (list qv-image-arg) qv-date-values)
   (list "plug-in-qv-dtf-get-date-validated" "Gets date validated from \"qv-dtf-numbers\" parasite!"
         "Gets date validated from \"qv-dtf-numbers\" parasite!" (list qv-image-arg) qv-date-values)
   (list "plug-in-qv-dtf-set-date" "Sets date to \"qv-dtf-numbers\" parasite!"
         "Sets date to \"qv-dtf-numbers\" parasite!"
         (list qv-image-arg
               (list PDB-FLOAT "day0" "day at t = 0 (0 = no day)")
               (list PDB-FLOAT "month0" "month at t = 0 (0 = no month, no day)")
               (list PDB-FLOAT "year0" "year at t = 0")
               (list PDB-FLOAT "day1" "day at t = 1 (0 = no day)")
               (list PDB-FLOAT "month1" "month at t = 1 (0 = no month, no day)")
               (list PDB-FLOAT "year1" "year at t = 1")
               qv-t-arg)
         '())
   (list "plug-in-qv-dtf-set-date-from-string" "Sets date from string to \"qv-dtf-numbers\" parasite!"
         (string-append "Sets date from string to \"qv-dtf-numbers\" parasite!"
                        "\nDate forms: \"27. 3. 2007\", \"27 3 2007\", \"27. Mar. 2007\", \"27 Mar 2007\", "
                        "\"27Mar2007\", \"27 März 2007\", \"Mar. 27. 2007\", \"Mar 27 2007\", \"März 27 2007\", "
                        "\"Mar 2007\", \"2007\"; a second date follows after \";\".")
         (list qv-image-arg
               (list PDB-STRING "date" "e.g. \"27. 1. 2007; Aug. -40\" (date at t = 0; date at t = 1)")
               qv-t-arg)
         '())
   (list "plug-in-qv-fade-opacity-set" "Sets fade-opacity parasite non-persistance!"
         "Sets fade-opacity parasite non-persistance!"
         (list qv-image-arg (list PDB-FLOAT "opac" "0 to 100")) '())
   (list "plug-in-qv-parasite-find" "Get parasite data!" "Get parasite data!"
         (list (list PDB-STRING "name" "name of the global parasite"))
         (list (list PDB-INT32 "size" "number of bytes, 0 if the parasite does not exist")
               (list PDB-INT8ARRAY "data" "the parasite's bytes")))
   (list "plug-in-qv-set-month-names" "Set the month name list!"
         (string-append "Set the month name list!" qv-month-note)
         (list (list PDB-STRING "monthnames" "\";\"-separated, e.g. \"Januar; Februar; März\""))
         (list (list PDB-STRING "monthnames" "the active list, \"; \"-separated")))
   (list "plug-in-qv-set-month-names-short" "Set the short month name list!"
         (string-append "Set the short month name list!" qv-month-note)
         (list (list PDB-STRING "shortmonthnames" "\";\"-separated, e.g. \"Jan.; Feb.; März\""))
         (list (list PDB-STRING "shortmonthnames" "the active list, \"; \"-separated")))))

(qv-test "all 10 procedures are registered as documented"
         (lambda ()
           (for-each
            (lambda (proc)
              (qv-check-registration (list-ref proc 0) (list-ref proc 1) (list-ref proc 2)
                                     (list-ref proc 3) (list-ref proc 4)))
            qv-date-procedures)))

; Dates come back as floats; whole numbers compare more readably.
(define (qv-date image) (map inexact->exact (plug-in-qv-dtf-get-date image)))
(define (qv-validated image) (map inexact->exact (plug-in-qv-dtf-get-date-validated image)))

(qv-test "set-date interpolates at t and stores day, month and year"
         (lambda ()
           (let ((image (qv-new-image 8 8)))
             (qv-check-equal "no record yet" '(0 0 0) (qv-date image))
             (plug-in-qv-dtf-set-date image 0 0 1990 0 0 2000 0.25)
             (qv-check-equal "years only" '(0 0 1992) (qv-date image))
             (plug-in-qv-dtf-set-date image 1 1 2000 1 1 2010 0.5)
             (qv-check-equal "halfway year" 2005 (caddr (qv-date image)))
             (qv-check-equal "validated agrees with the stored date" (qv-date image) (qv-validated image))
             (plug-in-qv-dtf-set-date image 15 6 2020 1 1 1900 -3)
             (qv-check-equal "t below 0 gives the first date" '(15 6 2020) (qv-date image))
             (qv-check-equal "record flags 0: neither saved nor undone" 0
                             (cadr (car (gimp-image-get-parasite image "qv-dtf-numbers"))))
             (gimp-image-clean-all image)
             (plug-in-qv-dtf-set-date-from-string image "2001" 0)
             (qv-check-equal "storing a date leaves nothing to save" 0 (car (gimp-image-is-dirty image)))
             (gimp-image-delete image))))

(qv-test "set-date-from-string reads two dates, a lone one holds at every t"
         (lambda ()
           (let ((image (qv-new-image 8 8)))
             (plug-in-qv-dtf-set-date-from-string image "27. 1. 2007; Aug. -40" 0)
             (qv-check-equal "first date at t = 0" '(27 1 2007) (qv-date image))
             (plug-in-qv-dtf-set-date-from-string image "27. 1. 2007; Aug. -40" 1)
             (qv-check-equal "second date's month and year at t = 1" '(8 -40) (cdr (qv-date image)))
             (plug-in-qv-dtf-set-date-from-string image "Mar 2007" 0.6)
             (qv-check-equal "lone month and year" '(0 3 2007) (qv-date image))
             (plug-in-qv-dtf-set-date-from-string image "# no date" 0.5)
             (qv-check-equal "a text without a date changes nothing" '(0 3 2007) (qv-date image))
             (gimp-image-delete image))))

; Setting a date of no image is an error (the dead-id test covers it).
(qv-test "dates of no image read as zeros"
         (lambda ()
           (qv-check-equal "get" '(0 0 0) (qv-date -1))
           (qv-check-equal "validated" '(0 0 0) (qv-validated 0))))

; Draws the current path of a new 60 x 60 white image filled red; returns
; the image after running `before-draw` on it.
(define (qv-draw-red-square name before-draw)
  (let* ((image (qv-new-image 60 60))
         (vectors (qv-add-square image name 10 10 40)))
    (plug-in-qv-path-set-style-attribute image name "fill" "255 0 0")
    (gimp-image-set-active-vectors image vectors)
    (before-draw image)
    (plug-in-qv-path-draw-current 2 image (car (gimp-image-get-active-drawable image)) 0.5)
    image))

(define (qv-pixel image x y)
  (let ((p (cadr (gimp-drawable-get-pixel (car (gimp-image-get-active-drawable image)) x y))))
    (list (vector-ref p 0) (vector-ref p 1) (vector-ref p 2))))

(qv-test "bounding boxes are zeros before anything was drawn"
         (lambda ()
           (qv-check-equal "image box" '(0 0 0 0) (plug-in-qv-bbox-image 0))
           (qv-check-equal "path box" '(0 0 0 0) (plug-in-qv-bbox-path 0))))

; A small PNG in the test's temporary folder; returns its file name.
(define (qv-blue-picture)
  (let* ((file (string-append qv-tmp-dir "/blue.png"))
         (image (car (gimp-image-new 8 8 RGB)))
         (layer (car (gimp-layer-new image 8 8 RGB-IMAGE "blue" 100 LAYER-MODE-NORMAL))))
    (gimp-image-insert-layer image layer 0 -1)
    (gimp-context-set-foreground '(0 0 255))
    (gimp-drawable-fill layer FILL-FOREGROUND)
    (file-png-save-defaults RUN-NONINTERACTIVE image layer file file)
    (gimp-image-delete image)
    file))

(qv-test "a drawn styled square leaves its bounding boxes"
         (lambda ()
           (let ((image (qv-draw-red-square "square" (lambda (image) #t))))
             (qv-check-equal "drawn red" '(255 0 0) (qv-pixel image 30 30))
             (qv-check-equal "path box" '(10 10 40 40) (plug-in-qv-bbox-path 0))
             (qv-check-equal "the parameter is not read" '(10 10 40 40) (plug-in-qv-bbox-path 12345))
             (qv-check-equal "an ordinary path places no image" '(0 0 0 0) (plug-in-qv-bbox-image 0))
             (gimp-image-delete image))
           (let* ((picture (qv-blue-picture))
                  (image (qv-draw-red-square "picture"
                                             (lambda (image)
                                               (plug-in-qv-path-set-style-attribute image "picture" "image" picture)))))
             (qv-check-equal "image box: the square's corners" '(10 10 40 40) (plug-in-qv-bbox-image 0))
             (gimp-image-delete image))))

(qv-test "fade-opacity-set cuts the percentage to 0..1 and the draw fades by it"
         (lambda ()
           (let ((image (qv-draw-red-square "full" (lambda (image) (plug-in-qv-fade-opacity-set image 150)))))
             (qv-check-equal "150 % draws fully" '(255 0 0) (qv-pixel image 30 30))
             (qv-check-equal "flags 0" 0
                             (cadr (car (gimp-image-get-parasite image "qv-animation-fade-opacity"))))
             (gimp-image-delete image))
           (let ((image (qv-draw-red-square "none" (lambda (image) (plug-in-qv-fade-opacity-set image -5)))))
             (qv-check-equal "-5 % draws nothing" '(255 255 255) (qv-pixel image 30 30))
             (gimp-image-delete image))))

(qv-test "parasite-find returns a global parasite's bytes, or nothing"
         (lambda ()
           (gimp-attach-parasite '("qv-test-find" 0 "abc"))
           (qv-check-equal "found" (list 3 (vector 97 98 99)) (plug-in-qv-parasite-find "qv-test-find"))
           (gimp-detach-parasite "qv-test-find")
           (qv-check-equal "missing" (list 0 (vector)) (plug-in-qv-parasite-find "qv-test-find"))
           (qv-check-equal "empty name" 0 (car (plug-in-qv-parasite-find "")))))

(define qv-english-months
  "January; February; March; April; May; June; July; August; September; October; November; December")
(define qv-english-short "Jan.; Feb.; Mar.; Apr.; May; June; July; Aug.; Sep.; Oct.; Nov.; Dec.")

; The stored names as a string: the parasite's bytes up to its NUL.
(define (qv-stored-names name)
  (let* ((found (plug-in-qv-parasite-find name))
         (bytes (vector->list (cadr found))))
    (list (car found)
          (list->string (map integer->char (reverse (cdr (reverse bytes)))))
          (car (last-pair bytes)))))

(qv-test "month names are replaced piecewise, stored with tabs, and restored"
         (lambda ()
           (qv-check-equal "long names"
                           "Januar; Februar; March; April; May; June; July; August; September; October; November; December"
                           (car (plug-in-qv-set-month-names "Januar; Februar")))
           (let ((stored (qv-stored-names "qv-month-names")))
             (qv-check-equal "tab-separated with its NUL"
                             (list 84 "Januar\tFebruar\tMarch\tApril\tMay\tJune\tJuly\tAugust\tSeptember\tOctober\tNovember\tDecember" 0)
                             stored))
           (qv-check-equal "persistent" 1
                           (cadr (car (gimp-get-parasite "qv-month-names"))))
           (qv-check-equal "short names trimmed, empty pieces keep the default"
                           "Jan.; Feb; Mar.; Apr.; May; June; July; Aug.; Sep.; Oct.; Nov.; Dec."
                           (car (plug-in-qv-set-month-names-short " ;  Feb ;")))
           (qv-check-equal "long names restored" qv-english-months (car (plug-in-qv-set-month-names "")))
           (qv-check-equal "short names restored" qv-english-short (car (plug-in-qv-set-month-names-short "")))
           (gimp-detach-parasite "qv-month-names")
           (gimp-detach-parasite "qv-month-names-short")))
